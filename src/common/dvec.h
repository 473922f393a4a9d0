// Three doubles and the few operations the model code does its geometry with (the loader's
// frames, the checker's seams): double throughout, so that the float data it reads and
// writes loses nothing in between.
#pragma once

#include <cmath>

struct DVec {
  double x, y, z;
};

inline DVec Add(DVec a, DVec b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline DVec Sub(DVec a, DVec b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline DVec Scale(DVec a, double k) {
  return {a.x * k, a.y * k, a.z * k};
}
inline double Dot(DVec a, DVec b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline DVec Cross(DVec a, DVec b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(DVec a) {
  return std::sqrt(Dot(a, a));
}
// The unit vector along a; zero stays zero.
inline DVec Unit(DVec a) {
  const double length = Length(a);
  return length > 0 ? Scale(a, 1 / length) : a;
}

// Where the normal map comes from: the file at NormalMapPath, or a height map turned into a
// normal map on load; files dropped on the window that replace it; the green channel's
// convention, flipped at run time; the checks of the map as it is drawn.
#pragma once

#include <string>
#include <vector>

#include "textures/image.h"
#include "textures/texture.h"

// Non-null: the normal map is made from this height map on load, with this strength (how
// many texels a height of 1 stands out of the wall).
extern const char* HeightMapPath;
extern double HeightMapStrength;
// --height-map was given: every dropped image is then taken as heights.
extern bool HeightMapGiven;

// The normal map's texels as the renderers upload them, green flipped as FlipGreenChannel
// says. With required set, a map that cannot be read ends the program (the reader has said
// why); otherwise it returns false. The first call after CheckNormalMap takes the texels the
// check read, without reading the file again.
bool ReadNormalMapImage(bool required, TextureImage* image);

// Lets go of the texels the last check read when no renderer has taken them.
void ReleaseCheckedNormalMap();

// The green channel's reading at start-up (--flip-green), and after the user's reset.
extern bool StartFlipGreen;
// --rebuild-blue: the map's blue is made again from red and green, whatever the checks say.
extern bool RebuildBlueGiven;

// Whether the renderers may upload the normal map's file as it is (not made from heights,
// blue not rebuilt).
bool NormalMapIsFileAsItIs();

// How many times the running normal map has been replaced (dropped files, Y): a copy made
// of it on the CPU is stale when this has changed.
unsigned NormalMapRevision();

// Called with the new map whenever the running one is replaced: the frame's hook into the
// renderers set up so far (none before the scene is), which may take its pixels.
extern void (*NormalMapReplaced)(TextureImage image);

// Makes the running normal map again from its source, in every renderer set up so far (Y
// flipped the green channel, or the source changed).
void ReloadNormalMap();

// A file dropped on the window: a grey image, or any image when --height-map was given,
// becomes the height map, any other the normal map (a height map dropped before is then no
// longer the source); one the reader refuses (it has said
// why) changes nothing. Returns the panel's note on what happened.
std::string LoadDroppedImage(const char* path);

// The checks of the running normal map as it is drawn (green flipped as it is): its
// findings, each printed as a note ("bumpdemo: FILE: warning green-down: ..."); a two-channel
// map, or any map with --rebuild-blue, gets its blue rebuilt from red and green, which is
// said too. Called before the map is loaded and whenever it changes.
void CheckNormalMap();
// The same, on the normal map's file as already read (its pixels are taken).
void CheckNormalMapRead(ParsedImage* read);

// The panel's lines for the last check: its findings' severities and codes, or that it found
// no fault, and whether blue is rebuilt.
std::vector<std::string> NormalMapCheckLines();

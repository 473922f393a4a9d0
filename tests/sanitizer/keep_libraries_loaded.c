/* Linked into the test programs that run Mesa's GL and SDL's video drivers in their own
 * process, in sanitizer builds only: dlclose does nothing, so every library stays mapped
 * until the process ends. The exit-time leak scan then still sees the drivers' globals:
 * what a driver keeps for the life of the process is reachable and not reported, and
 * what the driver does leak is reported with its module's name, for the suppressions.
 * Without it, a driver unloaded before the scan leaves its blocks unreachable, with
 * stacks that end in an unknown module, and the scan cannot tell them from ours. */
int dlclose(void* handle) {
  (void)handle;
  return 0;
}

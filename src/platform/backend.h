// Fills the platform table with the backend this executable was built with.
#pragma once

void InstallPlatformBackend();

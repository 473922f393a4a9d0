// Fills the platform table with the backend this executable was built with.
#pragma once

#include "common/settings.h"

void InstallPlatformBackend();

// Fills only the file slots of the table with the backend's file calls (the install
// above fills them too), for programs that need files and no window.
void InstallPlatformFiles();

// The GL contexts this backend can make.
ContextOffer BackendContexts();

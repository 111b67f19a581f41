// The version written into the version resources of the program and the
// archiver libraries; scripts/package.sh names the release packages after
// TOVIX_VERSION_TEXT. The version page of the settings sheet (tovix.rc)
// shows the same number: change both together.
#pragma once

#define TOVIX_VERSION_MAJOR 1
#define TOVIX_VERSION_MINOR 6
#define TOVIX_VERSION_PATCH 2
#define TOVIX_VERSION_TEXT "1.6.2"

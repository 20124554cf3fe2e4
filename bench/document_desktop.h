#pragma once

// The desktop the benchmarks of clicks run on: `windows` standard windows spread over
// applications of ten windows each ("com.example.App0", ...), in the background, every
// window with a toolbar fused to its title bar and a few controls, as a document window
// has, cascaded 10 points apart from 40, 40.

#include "platform/desktop/desktop.h"

namespace furlpane::bench {

void addDocumentWindows(platform::desktop::Desktop& world, int windows);

}  // namespace furlpane::bench

#pragma once

// For tests only: the program's renderer (TransitionRenderer::shared) replaced by one of
// the test's own, a cheaper one (one sample, a small device) or none at all (a graphics
// set-up that failed). Replace and restore on the main thread, before and after anything
// that may use the renderer off it.

#include <memory>

namespace furlpane {

class TransitionRenderer;

namespace testing {

void replaceSharedRenderer(std::shared_ptr<TransitionRenderer> renderer);
void restoreSharedRenderer();

}  // namespace testing

}  // namespace furlpane

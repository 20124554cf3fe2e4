#pragma once

// Rendering compared against reference pictures kept beside the tests (PNG), which a
// person can open to see what the drawing code makes. After an intended change to the
// drawing, run the tests with FURLPANE_REGENERATE_REFERENCES=1 to write them anew, look
// at the result, and commit it. A mismatch leaves the actual picture next to the test
// executable for comparison.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/graphics/image.h"
#include "platform/graphics/png_codec.h"

namespace furlpane_test {

inline void expectMatchesReference(const platform::Image& actual, const std::filesystem::path& folder,
                                   const std::string& name) {
    const std::filesystem::path reference = folder / (name + ".png");
    if (std::getenv("FURLPANE_REGENERATE_REFERENCES")) {
        ASSERT_TRUE(platform::writePNG(actual, reference));
        GTEST_SKIP() << "wrote " << reference;
    }
    auto expected = platform::readPNG(reference);
    ASSERT_TRUE(expected) << expected.error() << " (FURLPANE_REGENERATE_REFERENCES=1 writes it)";
    if (expected->hasSamePixels(actual)) return;
    const auto kept = std::filesystem::current_path() / (name + ".actual.png");
    (void)platform::writePNG(actual, kept);
    int differing = 0;
    if (expected->width() == actual.width() && expected->height() == actual.height())
        for (size_t i = 0; i < actual.words().size(); ++i) differing += actual.words()[i] != expected->words()[i];
    ADD_FAILURE() << name << " differs from its reference in " << differing << " pixels; see " << kept;
}

}  // namespace furlpane_test

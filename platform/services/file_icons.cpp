// The Finder's icons of files, as the workspace hands them out.

#include <array>
#include <cstdio>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/path.h"
#include "platform/graphics/png_codec.h"
#include "platform/services/bundle.h"
#include "platform/services/content_types.h"
#include "platform/services/workspace.h"

namespace platform {

namespace {

// An icon file larger than this, or wider or taller than kLargestIconSide, is not read:
// the generic icon stands in for it rather than a picture that could take a gigabyte.
constexpr uintmax_t kLargestIconFile = 4u << 20;
constexpr uint32_t kLargestIconSide = 1024;

enum class FileKind { application, folder, document };

// The width and height in a PNG file's header, read without decoding the pixels.
std::optional<std::array<uint32_t, 2>> pngSize(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<unsigned char, 24> head{};
    if (!in.read(reinterpret_cast<char*>(head.data()), head.size())) return std::nullopt;
    const auto word = [&](size_t at) {
        return uint32_t(head[at]) << 24 | uint32_t(head[at + 1]) << 16 | uint32_t(head[at + 2]) << 8 | head[at + 3];
    };
    return std::array<uint32_t, 2>{word(16), word(20)};
}

Image scaled(const Image& image) {
    auto context = BitmapContext::create(Workspace::kIconPixels, Workspace::kIconPixels, ColorSpace::sRGB());
    context->drawImage(image, {0, 0, double(Workspace::kIconPixels), double(Workspace::kIconPixels)});
    return context->makeImage();
}

// The PNG among the bundle's resources that its "CFBundleIconFile" names.
std::optional<Image> bundleIcon(const std::filesystem::path& path) {
    const auto bundle = Bundle::create(path);
    if (!bundle) return std::nullopt;
    const plist::Value* named = bundle->objectForInfoDictionaryKey("CFBundleIconFile");
    if (!named || !named->string()) return std::nullopt;
    std::string name = *named->string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) name.resize(name.size() - 4);
    const auto file = bundle->urlForResource(name, "png");
    if (!file) return std::nullopt;
    std::error_code ec;
    const uintmax_t bytes = std::filesystem::file_size(*file, ec);
    if (ec || bytes > kLargestIconFile) return std::nullopt;
    const auto size = pngSize(*file);
    if (!size || (*size)[0] > kLargestIconSide || (*size)[1] > kLargestIconSide) return std::nullopt;
    Result<Image> picture = readPNG(*file);
    if (!picture) return std::nullopt;
    return scaled(*picture);
}

// ---- Generic icons, drawn in a 64-pixel square with the origin at the bottom left.

void drawApplication(BitmapContext& c) {
    c.setFillColor(Color::rgb(0.36, 0.45, 0.58));
    c.fillPath(Path::roundedRect({6, 6, 52, 52}, 12, 12));
    // A ruler, a pencil and a brush crossed into an "A", as the system's own sign for
    // an application.
    c.setStrokeColor(Color::white());
    c.setLineWidth(4);
    c.setLineCap(LineCap::round);
    Path strokes;
    strokes.moveTo({20, 16});
    strokes.lineTo({32, 48});
    strokes.moveTo({44, 16});
    strokes.lineTo({32, 48});
    strokes.moveTo({16, 26});
    strokes.lineTo({48, 26});
    c.strokePath(strokes);
}

void drawFolder(BitmapContext& c) {
    c.setFillColor(Color::rgb(0.33, 0.63, 0.93));
    c.fillPath(Path::roundedRect({6, 40, 22, 12}, 3, 3));
    c.setFillColor(Color::rgb(0.45, 0.73, 0.98));
    c.fillPath(Path::roundedRect({6, 10, 52, 36}, 4, 4));
}

void drawDocument(BitmapContext& c) {
    Path page;
    page.moveTo({12, 4});
    page.lineTo({52, 4});
    page.lineTo({52, 46});
    page.lineTo({40, 60});
    page.lineTo({12, 60});
    page.closeSubpath();
    c.setFillColor(Color::white());
    c.fillPath(page);
    c.setStrokeColor(Color::gray(0.55));
    c.setLineWidth(2);
    c.strokePath(page);
    Path fold;
    fold.moveTo({40, 60});
    fold.lineTo({40, 46});
    fold.lineTo({52, 46});
    c.strokePath(fold);
}

Image drawGeneric(FileKind kind) {
    auto context = BitmapContext::create(Workspace::kIconPixels, Workspace::kIconPixels, ColorSpace::sRGB());
    switch (kind) {
    case FileKind::application: drawApplication(*context); break;
    case FileKind::folder: drawFolder(*context); break;
    case FileKind::document: drawDocument(*context); break;
    }
    return context->makeImage();
}

const Image& genericIcon(FileKind kind) {
    // Drawn once each; images never change, so every caller may share them.
    static const std::array<Image, 3> icons{drawGeneric(FileKind::application), drawGeneric(FileKind::folder),
                                            drawGeneric(FileKind::document)};
    return icons[size_t(kind)];
}

FileKind kindOf(const std::filesystem::path& path) {
    if (conformsToContentType(path, content_types::application)) return FileKind::application;
    std::error_code ec;
    return std::filesystem::is_directory(path, ec) ? FileKind::folder : FileKind::document;
}

}  // namespace

Image Workspace::iconForFile(const std::filesystem::path& path) const {
    const FileKind kind = kindOf(path);
    if (kind == FileKind::application) {
        if (auto own = bundleIcon(path)) return *own;
    }
    return genericIcon(kind);
}

}  // namespace platform

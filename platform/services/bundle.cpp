#include "platform/services/bundle.h"

#include <system_error>

namespace platform {

namespace {

std::unique_ptr<Bundle>& mainSlot() {
    static std::unique_ptr<Bundle> slot;
    return slot;
}

bool safeComponent(std::string_view s, bool mayBeEmpty) {
    if (s.empty()) return mayBeEmpty;
    return s != "." && s != ".." && s.find('/') == std::string_view::npos && s.find('\0') == std::string_view::npos;
}

std::filesystem::path ownExecutable() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}

}  // namespace

std::unique_ptr<Bundle> Bundle::create(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) return nullptr;
    auto bundle = std::unique_ptr<Bundle>(new Bundle(Description{path, {}, {}, std::nullopt}));
    plist::ReadResult info = plist::readXmlDictionaryFile(path / "Contents" / "Info.plist");
    if (info.ok()) {
        bundle->description_.info = *info.value().dictionary();
    } else {
        bundle->infoReadError_ = info.error();
    }
    return bundle;
}

std::unique_ptr<Bundle> Bundle::describe(Description description) {
    return std::unique_ptr<Bundle>(new Bundle(std::move(description)));
}

std::unique_ptr<Bundle> Bundle::forExecutable(const std::filesystem::path& executable) {
    const std::filesystem::path folder = executable.parent_path();
    const bool inBundle = folder.filename() == "MacOS" && folder.parent_path().filename() == "Contents";
    const std::filesystem::path root = inBundle ? folder.parent_path().parent_path() : folder;
    auto bundle = create(root);
    if (!bundle) bundle = describe(Description{root, {}, {}, std::nullopt});
    plist::Dictionary& info = bundle->description_.info;
    if (!info.find(info_keys::kBundleIdentifier)) info.set(info_keys::kBundleIdentifier, kProgramBundleIdentifier);
    if (!info.find(info_keys::kBundleName)) info.set(info_keys::kBundleName, "Furlpane Novan");
    return bundle;
}

Bundle& Bundle::main() {
    auto& slot = mainSlot();
    if (!slot) slot = forExecutable(ownExecutable());
    return *slot;
}

Bundle& Bundle::setMain(std::unique_ptr<Bundle> bundle) {
    mainSlot() = std::move(bundle);
    return main();
}

std::optional<std::string> Bundle::bundleIdentifier() const {
    const plist::Value* v = objectForInfoDictionaryKey(info_keys::kBundleIdentifier);
    if (!v || !v->string()) return std::nullopt;
    return *v->string();
}

const plist::Value* Bundle::objectForInfoDictionaryKey(std::string_view key) const {
    return description_.info.find(key);
}

std::optional<std::filesystem::path> Bundle::urlForResource(std::string_view name, std::string_view type) const {
    if (!safeComponent(name, false) || !safeComponent(type, true)) return std::nullopt;
    const std::string file = type.empty() ? std::string(name) : std::string(name) + "." + std::string(type);
    if (auto it = description_.resources.find(file); it != description_.resources.end()) {
        std::error_code ec;
        if (std::filesystem::exists(it->second, ec)) return it->second;
        return std::nullopt;
    }
    const std::filesystem::path resources = description_.path / "Contents" / "Resources";
    for (const char* sub : {"", "Base.lproj", "en.lproj"}) {
        const std::filesystem::path candidate = resources / sub / file;
        std::error_code ec;
        if (std::filesystem::exists(candidate, ec)) return candidate.lexically_normal();
    }
    return std::nullopt;
}

std::optional<Volume> Bundle::volume() const {
    if (description_.volume) return description_.volume;
    return volumeOf(description_.path);
}

}  // namespace platform

// Set-up of the transition renderer: the shader library, every pipeline pair and single
// pipeline, the sampler, the noise texture and the depth test.

#include "transitions/transition_renderer.h"

#include "platform/runtime/process_once.h"
#include "transitions/effect_pass.h"
#include "transitions/effect_table.h"
#include "transitions/renderer_testing.h"
#include "transitions/shader_library.h"

namespace furlpane {

using namespace platform::gpu;

namespace {

constexpr std::array<std::string_view, kPiecePairCount> kPieceNames{
    "icons", "ejected", "ejectedIcons", "titleBars", "shadeFlaps",
    "hemBars", "pullCords", "pullRings", "puzzleTrays", "tacoPieces",
};

constexpr std::array<std::string_view, kSingleCount> kSingleNames{
    "lens", "paperDrawing", "pageCopies", "pageBars", "pageStamps", "shadow", "rim", "innerRim", "framing",
};

std::string functionName(std::string_view name, std::string_view stage) {
    return std::string(name) + std::string(stage);
}

// Where each single pipeline draws.
PipelineTarget singleTarget(Single s, int sampleCount) {
    switch (s) {
    case Single::paperDrawing:
    case Single::pageCopies:
    case Single::pageBars:
    case Single::pageStamps: return PipelineTarget::offscreen();
    case Single::lens: {  // the main pass's first draw (drawBackdrop)
        PipelineTarget first = PipelineTarget::mainPass(sampleCount);
        first.blending = Blending::replaces;
        return first;
    }
    default: return PipelineTarget::mainPass(sampleCount);
    }
}

// 256 × 256 texels of four independent channels of white noise from a fixed seed, so
// that every run draws the same frames.
std::vector<std::uint8_t> noiseTexels() {
    std::vector<std::uint8_t> texels(256 * 256 * 4);
    std::uint64_t state = 0x6E6F697365ull;  // "noise"
    for (size_t i = 0; i < texels.size(); i += 8) {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        for (size_t b = 0; b < 8; ++b) texels[i + b] = static_cast<std::uint8_t>(z >> (8 * b));
    }
    return texels;
}

// The renderer a test put in the program's place, while it does.
std::optional<std::shared_ptr<TransitionRenderer>>& replacedRenderer() {
    static std::optional<std::shared_ptr<TransitionRenderer>> replaced;
    return replaced;
}

}  // namespace

namespace testing {

void replaceSharedRenderer(std::shared_ptr<TransitionRenderer> renderer) { replacedRenderer() = std::move(renderer); }
void restoreSharedRenderer() { replacedRenderer().reset(); }

}  // namespace testing

std::string_view pieceName(PiecePair pair) { return kPieceNames[static_cast<size_t>(pair)]; }
std::string_view singleName(Single single) { return kSingleNames[static_cast<size_t>(single)]; }

void EffectPass::use(const Pipelines& pair, DepthTest depth) const {
    encoder.setRenderPipelineState(pipeline(pair));
    encoder.setDepthStencilState(kind == PassKind::color && depth == DepthTest::lessAndWrite ? renderer.depthTest()
                                                                                              : nullptr);
}

TransitionRenderer::TransitionRenderer(std::shared_ptr<Device> device, RendererOptions options)
    : device_(std::move(device)), options_(options) {}

std::shared_ptr<TransitionRenderer> TransitionRenderer::create(std::shared_ptr<Device> device,
                                                               RendererOptions options) {
    if (!device || (options.sampleCount != 1 && options.sampleCount != 4)) return nullptr;
    auto renderer = std::make_shared<TransitionRenderer>(std::move(device), options);
    if (!renderer->setUp()) return nullptr;
    return renderer;
}

std::shared_ptr<TransitionRenderer> TransitionRenderer::shared() {
    if (const auto& replaced = replacedRenderer()) return *replaced;
    static platform::ProcessOnce<std::shared_ptr<TransitionRenderer>> renderer;
    return renderer.get([] { return create(Device::create()); });
}

const Pipelines& TransitionRenderer::pictures(TransitionEffect effect) const {
    return pictures_[static_cast<size_t>(effect)];
}

bool TransitionRenderer::setUp() {
    queue_ = device_->makeCommandQueue("Stand-in transitions");
    library_ = device_->makeLibrary(transitionShaderCatalog());
    if (!library_ || !makePipelinePairs() || !makeSingles() || !makeNoise()) return false;
    SamplerDescriptor linear;
    linear.minFilter = linear.magFilter = SamplerFilter::linear;
    linear.mipFilter = MipFilter::linear;
    sampler_ = device_->makeSampler(linear);
    depthTest_ = device_->makeDepthStencilState({CompareFunction::less, true});
    return sampler_ && depthTest_;
}

// One pair per effect (cut drawn with scale's), then the piece pairs; the first that
// cannot be made ends the set-up.
bool TransitionRenderer::makePipelinePairs() {
    const auto make = [&](std::string_view name, Pipelines& into) {
        auto pair = makePipelines(functionName(name, "Vertex"), functionName(name, "Fragment"), *library_, *device_,
                                  options_.sampleCount);
        if (pair) into = std::move(pair.value());
        return pair.ok();
    };
    for (const TransitionEffect e : allEffects()) {
        if (e == TransitionEffect::cut) continue;
        if (!make(effectName(e), pictures_[static_cast<size_t>(e)])) return false;
    }
    pictures_[static_cast<size_t>(TransitionEffect::cut)] = pictures(TransitionEffect::scale);
    for (int i = 0; i < kPiecePairCount; ++i)
        if (!make(kPieceNames[static_cast<size_t>(i)], pieces_[static_cast<size_t>(i)])) return false;
    return true;
}

bool TransitionRenderer::makeSingles() {
    for (int i = 0; i < kSingleCount; ++i) {
        const auto s = static_cast<Single>(i);
        auto made = makePipeline(functionName(singleName(s), "Vertex"), functionName(singleName(s), "Fragment"),
                                 *library_, *device_, singleTarget(s, options_.sampleCount));
        if (!made) return false;
        singles_[static_cast<size_t>(i)] = std::move(made.value());
    }
    return true;
}

bool TransitionRenderer::makeNoise() {
    auto texture = device_->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 256, 256, Mipmapped::no));
    if (!texture) return false;
    const auto texels = noiseTexels();
    texture->replaceRegion({0, 0, 256, 256}, 0, texels.data(), 256 * 4);
    noise_ = std::move(texture);
    return true;
}

}  // namespace furlpane

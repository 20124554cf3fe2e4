#include "bench/transition_scene.h"

#include "platform/gpu/hot_path.h"
#include "platform/gpu/lanes.h"

#include <cmath>

namespace furlpane::bench {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

// The scene as the peer draws it at 1280 × 800; other screens scale it.
constexpr SceneSize kPeerScreen{1280, 800};
constexpr SceneSize kPeerPicture{800, 600};
constexpr int kMeshColumns = 64;
constexpr int kMeshRows = 48;
constexpr float kFrom[4] = {240, 100, 800, 600};  // x, y, width, height in pixels
constexpr float kTo[4] = {40, 610, 200, 150};
constexpr float kCornerRadius = 16;  // texels of the 800 × 600 picture

struct WindowLook {
    float2 textureSize;
    float radius;
    float opacity;
};

void put(std::uint8_t* p, int r, int g, int b) {
    p[0] = std::uint8_t(r), p[1] = std::uint8_t(g), p[2] = std::uint8_t(b), p[3] = 255;
}

void windowTexel(std::uint8_t* p, int x, int y) {
    const int W = kPeerPicture.width, H = kPeerPicture.height;
    if (x == 0 || y == 0 || x == W - 1 || y == H - 1) return put(p, 20, 20, 24);
    if (y < 32) {
        put(p, 40, 44, 52);
        if (y >= 12 && y < 20 && x >= 300 && x < 500 && (x / 6) % 4 != 3) put(p, 200, 200, 210);
        static const int buttons[3][3] = {{230, 80, 70}, {240, 190, 60}, {90, 200, 90}};
        for (int i = 0; i < 3; ++i) {
            const int cx = W - 20 - i * 24;
            if (x >= cx - 6 && x < cx + 6 && y >= 10 && y < 22) put(p, buttons[i][0], buttons[i][1], buttons[i][2]);
        }
        return;
    }
    if (x < 200) {
        put(p, 225, 228, 235);
        if (y >= 48) {
            const int e = (y - 48) / 28, r = (y - 48) % 28;
            if (r < 14 && x >= 16 && x < 16 + 100 + (e * 37) % 60) put(p, 120, 130, 150);
        }
        return;
    }
    put(p, 250, 250, 250);
    if (y >= 48) {
        const int l = (y - 48) / 20, r = (y - 48) % 20, xr = x - 224;
        if (r < 10 && xr >= 0 && xr < 200 + (l * 131) % 340 && (xr % 8) < 6 && ((xr / 8 + l * 3) % 7) != 6)
            put(p, 30, 30, 30);
    }
}

// Vertices are (x, y, u, v) in pixels at buffer 0, triangle indices at buffer 1 and the
// target size at bytes 2; the vertex id walks the indices.
VertexOutput sceneVertex(const VertexInput& in) {
    VertexOutput out;
    const auto vertices = in.resources.array<float4>(0);
    const auto indices = in.resources.array<std::uint32_t>(1);
    const float2* size = in.resources.value<float2>(2);
    if (in.vertexId >= indices.size() || size == nullptr || indices[in.vertexId] >= vertices.size()) return out;
    const float4 v = vertices[indices[in.vertexId]];
    out.position = {v.x / size->x * 2 - 1, 1 - v.y / size->y * 2, 0, 1};
    out.varyings[0] = v.z;
    out.varyings[1] = v.w;
    return out;
}

void backdropFragment(FragmentQuad& q) {
    const Texture* t = q.resources->texture(0);
    const Sampler* s = q.resources->sampler(0);
    if (!t || !s) return;
    const auto c = t->sample(*s, q.varying2(0));
    for (int i = 0; i < 4; ++i) q.color[i] = c[std::size_t(i)];
}

// The same, a span at a time, with the picture bound to its sampler once per draw.
struct BackdropConstants {
    BoundTexture picture;
};

void prepareBackdrop(const StageResources& r, BackdropConstants& c) { c.picture = {r.texture(0), r.sampler(0)}; }

void backdropSpan(FragmentSpan& s, const BackdropConstants& c) {
    if (c.picture) c.picture.sample(s.varyings[0], s.varyings[1], s.color);
}

// The window picture with its corners rounded by a signed distance, faded by opacity.
float windowCoverage(float2 uv, const WindowLook& look) {
    const float2 half = look.textureSize * 0.5f;
    const float2 pos = uv * look.textureSize;
    const float2 d = abs(pos - half) - (half - float2(look.radius));
    const float outside = length(max(d, float2(0.0f))) + std::min(std::max(d.x, d.y), 0.0f) - look.radius;
    return std::clamp(0.5f - outside, 0.0f, 1.0f);
}

void windowFragment(FragmentQuad& q) {
    const Texture* t = q.resources->texture(0);
    const Sampler* s = q.resources->sampler(0);
    const WindowLook* look = q.resources->value<WindowLook>(0);
    if (!t || !s || !look) return;
    const auto uv = q.varying2(0);
    const auto c = t->sample(*s, uv);
    for (int i = 0; i < 4; ++i)
        q.color[i] = c[std::size_t(i)] * (windowCoverage(uv[std::size_t(i)], *look) * look->opacity);
}

struct WindowConstants {
    BoundTexture picture;
    WindowLook look;
    bool ready;
};

void prepareWindow(const StageResources& r, WindowConstants& c) {
    c.picture = {r.texture(0), r.sampler(0)};
    const WindowLook* look = r.value<WindowLook>(0);
    c.ready = c.picture && look;
    if (look) c.look = *look;
}

// windowCoverage on the eight lanes at once: the same operations, lane by lane.
lanes::f32x8 windowCoverage(lanes::f32x8 u, lanes::f32x8 v, const WindowLook& look) {
    using lanes::f32x8;
    const float2 half = look.textureSize * 0.5f;
    const f32x8 zero = lanes::splat8(0.0f), one = lanes::splat8(1.0f);
    auto abs = [&](f32x8 p) { return p < zero ? -p : p; };
    const f32x8 dx = abs(u * look.textureSize.x - half.x) - (half.x - look.radius);
    const f32x8 dy = abs(v * look.textureSize.y - half.y) - (half.y - look.radius);
    const f32x8 mx = dx < zero ? zero : dx, my = dy < zero ? zero : dy;
    const f32x8 larger = dx < dy ? dy : dx;
    const f32x8 outside = lanes::sqrt(mx * mx + my * my) + (zero < larger ? zero : larger) - look.radius;
    const f32x8 c = 0.5f - outside;
    return c < zero ? zero : (one < c ? one : c);
}

FURLPANE_HOT_PATH void windowSpan(FragmentSpan& s, const WindowConstants& c) {
    if (!c.ready) return;
    SpanColors picture;
    c.picture.sample(s.varyings[0], s.varyings[1], picture);
    const lanes::f32x8 k =
        windowCoverage(lanes::load8(s.varyings[0]), lanes::load8(s.varyings[1]), c.look) * c.look.opacity;
    lanes::store8(s.color.r, lanes::load8(picture.r) * k);
    lanes::store8(s.color.g, lanes::load8(picture.g) * k);
    lanes::store8(s.color.b, lanes::load8(picture.b) * k);
    lanes::store8(s.color.a, lanes::load8(picture.a) * k);
}

std::vector<std::uint8_t> rgbaToBgra(std::vector<std::uint8_t> px) {
    for (std::size_t i = 0; i + 3 < px.size(); i += 4) std::swap(px[i], px[i + 2]);
    return px;
}

std::vector<std::uint32_t> gridIndices(int nx, int ny) {
    std::vector<std::uint32_t> out;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const std::uint32_t a = std::uint32_t(j * (nx + 1) + i), b = a + 1, c = a + std::uint32_t(nx) + 1, d = c + 1;
            out.insert(out.end(), {a, b, c, c, b, d});
        }
    return out;
}

}  // namespace

const std::vector<Variant>& variants() {
    static const std::vector<Variant> all = {
        {"quad_ms1", false, 1}, {"quad_ms4", false, 4}, {"mesh_ms1", true, 1}, {"mesh_ms4", true, 4}};
    return all;
}

SceneSize windowPictureSize(SceneSize screen) {
    return {int(std::lround(double(kPeerPicture.width) * screen.width / kPeerScreen.width)),
            int(std::lround(double(kPeerPicture.height) * screen.height / kPeerScreen.height))};
}

std::vector<std::uint8_t> backdropPicture(SceneSize screen) {
    const int W = screen.width, H = screen.height;
    std::vector<std::uint8_t> px(std::size_t(W) * H * 4);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            std::uint8_t* p = &px[(std::size_t(y) * W + std::size_t(x)) * 4];
            p[0] = std::uint8_t(x * 255 / (W - 1));
            p[1] = std::uint8_t(y * 255 / (H - 1));
            p[2] = std::uint8_t(96 + ((((x >> 5) ^ (y >> 5)) & 1) ? 64 : 0));
            p[3] = 255;
        }
    return px;
}

// Texel (x, y) of a larger picture repeats the texel of the 800 × 600 one it lies on.
std::vector<std::uint8_t> windowPicture(SceneSize picture) {
    const int W = picture.width, H = picture.height;
    std::vector<std::uint8_t> px(std::size_t(W) * std::size_t(H) * 4);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            windowTexel(&px[(std::size_t(y) * std::size_t(W) + std::size_t(x)) * 4], x * kPeerPicture.width / W,
                        y * kPeerPicture.height / H);
    return px;
}

TransitionScene::TransitionScene(std::shared_ptr<Device> device, SceneSize screen)
    : device_(std::move(device)), screen_(screen), picture_(windowPictureSize(screen)) {}

std::unique_ptr<TransitionScene> TransitionScene::create(std::shared_ptr<Device> device, SceneSize screen) {
    if (screen.width < 64 || screen.height < 64 || screen.width > kMaxTextureSide || screen.height > kMaxTextureSide)
        return nullptr;
    std::unique_ptr<TransitionScene> scene(new TransitionScene(std::move(device), screen));
    if (!scene->build()) return nullptr;
    return scene;
}

bool TransitionScene::build() {
    queue_ = device_->makeCommandQueue("Stand-in transitions");
    ShaderCatalog catalog;
    catalog.addVertexFunction("sceneVertex", {2, 0}, sceneVertex);
    catalog.addFragmentFunction("backdropFragment", backdropFragment,
                                spanFunction<BackdropConstants, prepareBackdrop, backdropSpan>());
    catalog.addFragmentFunction("windowFragment", windowFragment,
                                spanFunction<WindowConstants, prepareWindow, windowSpan>());
    const auto library = device_->makeLibrary(catalog);
    if (!library) return false;
    for (int i = 0; i < 2; ++i) {
        RenderPipelineDescriptor d;
        d.vertexFunction = library->function("sceneVertex");
        d.fragmentFunction = library->function("backdropFragment");
        d.rasterSampleCount = i == 0 ? 1 : 4;
        d.colorAttachment = ColorAttachmentDescriptor::opaque(PixelFormat::bgra8Unorm);
        backdropPipeline_[i] = device_->makeRenderPipelineState(d);
        d.fragmentFunction = library->function("windowFragment");
        d.colorAttachment = ColorAttachmentDescriptor::premultipliedOver(PixelFormat::bgra8Unorm);
        windowPipeline_[i] = device_->makeRenderPipelineState(d);
        if (!backdropPipeline_[i] || !windowPipeline_[i]) return false;
    }
    const int W = screen_.width, H = screen_.height;
    backdrop_ = device_->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, W, H, Mipmapped::no));
    window_ = device_->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, picture_.width, picture_.height, Mipmapped::yes));
    auto targetDescriptor = TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, W, H, Mipmapped::no,
                                                         TextureUsage::shaderReadAndRenderTarget);
    target_ = device_->makeTexture(targetDescriptor);
    targetDescriptor.sampleCount = 4;
    multisampled_ = device_->makeTexture(targetDescriptor);
    if (!backdrop_ || !window_ || !target_ || !multisampled_) return false;
    const auto backdropBytes = rgbaToBgra(backdropPicture(screen_));
    const auto windowBytes = rgbaToBgra(windowPicture(picture_));
    backdrop_->replaceRegion({0, 0, W, H}, 0, backdropBytes.data(), std::size_t(W) * 4);
    window_->replaceRegion({0, 0, picture_.width, picture_.height}, 0, windowBytes.data(),
                           std::size_t(picture_.width) * 4);

    SamplerDescriptor linear;
    linear.minFilter = linear.magFilter = SamplerFilter::linear;
    backdropSampler_ = device_->makeSampler(linear);
    linear.mipFilter = MipFilter::linear;
    windowSampler_ = device_->makeSampler(linear);

    const float w = float(W), h = float(H);
    const float backdropQuad[16] = {0, 0, 0, 0, w, 0, 1, 0, 0, h, 0, 1, w, h, 1, 1};
    backdropVertices_ = device_->makeBuffer(backdropQuad, sizeof backdropQuad);
    const auto quad = gridIndices(1, 1), mesh = gridIndices(kMeshColumns, kMeshRows);
    quadIndices_ = device_->makeBuffer(std::span<const std::uint32_t>(quad));
    meshIndices_ = device_->makeBuffer(std::span<const std::uint32_t>(mesh));

    auto commands = queue_->makeCommandBuffer();
    auto* blit = commands ? commands->makeBlitEncoder() : nullptr;
    if (!backdropVertices_ || !quadIndices_ || !meshIndices_ || !blit) return false;
    blit->generateMipmaps(window_);
    blit->endEncoding();
    commands->commit();
    return commands->status() == CommandBufferStatus::completed;
}

std::vector<float> TransitionScene::windowVertices(bool mesh, float p) const {
    const float sx = float(screen_.width) / float(kPeerScreen.width), sy = float(screen_.height) / float(kPeerScreen.height);
    const float scale[4] = {sx, sy, sx, sy};
    float r[4];
    for (int k = 0; k < 4; ++k) r[k] = (kFrom[k] + (kTo[k] - kFrom[k]) * p) * scale[k];
    const int nx = mesh ? kMeshColumns : 1, ny = mesh ? kMeshRows : 1;
    const float amplitude = mesh ? 0.1f * float(std::sin(M_PI * p)) : 0.0f;
    std::vector<float> v;
    v.reserve(std::size_t(nx + 1) * std::size_t(ny + 1) * 4);
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            const float u = float(i) / float(nx), t = float(j) / float(ny);
            float x = r[0] + u * r[2], y = r[1] + t * r[3];
            if (mesh) {
                x += amplitude * r[2] * float(std::sin(2.0 * M_PI * (t + p)));
                y += amplitude * 0.5f * r[3] * float(std::sin(2.0 * M_PI * (u + p)));
            }
            v.insert(v.end(), {x, y, u, t});
        }
    return v;
}

void TransitionScene::drawFrame(const Variant& variant, float p) {
    const int k = variant.samples == 4 ? 1 : 0;
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = k ? multisampled_ : target_;
    pass.colorAttachment.loadAction = LoadAction::clear;
    pass.colorAttachment.clearColor = {0, 0, 0, 0};
    if (k) {
        pass.colorAttachment.resolveTexture = target_;
        pass.colorAttachment.storeAction = StoreAction::multisampleResolve;
    }
    auto commands = queue_->makeCommandBuffer();
    RenderEncoder* e = commands ? commands->makeRenderEncoder(pass) : nullptr;
    if (!e) return;
    const float2 size{float(screen_.width), float(screen_.height)};
    e->setRenderPipelineState(backdropPipeline_[k]);
    e->setVertexBuffer(backdropVertices_, 0, 0);
    e->setVertexBuffer(quadIndices_, 0, 1);
    e->setVertexValue(size, 2);
    e->setFragmentTexture(backdrop_, 0);
    e->setFragmentSampler(backdropSampler_, 0);
    e->drawPrimitives(PrimitiveType::triangle, 0, 6);

    const auto vertices = windowVertices(variant.mesh, p);
    e->setRenderPipelineState(windowPipeline_[k]);
    e->setVertexBuffer(device_->makeBuffer(std::span<const float>(vertices)), 0, 0);
    e->setVertexBuffer(variant.mesh ? meshIndices_ : quadIndices_, 0, 1);
    e->setFragmentTexture(window_, 0);
    e->setFragmentSampler(windowSampler_, 0);
    const float radius = kCornerRadius * float(picture_.width) / float(kPeerPicture.width);
    e->setFragmentValue(WindowLook{{float(picture_.width), float(picture_.height)}, radius, 1.0f - 0.5f * p}, 0);
    const std::uint32_t count = variant.mesh ? kMeshColumns * kMeshRows * 6 : 6;
    e->drawPrimitives(PrimitiveType::triangle, 0, count);
    e->endEncoding();
    commands->commit();
    commands->waitUntilCompleted();
}

std::vector<std::uint8_t> TransitionScene::frameRGBA() const {
    const int W = screen_.width, H = screen_.height;
    std::vector<std::uint8_t> px(std::size_t(W) * std::size_t(H) * 4);
    target_->getBytes(px.data(), std::size_t(W) * 4, {0, 0, W, H}, 0);
    return rgbaToBgra(std::move(px));
}

}  // namespace furlpane::bench

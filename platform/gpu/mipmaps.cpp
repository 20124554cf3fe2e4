#include "platform/gpu/mipmaps.h"

#include "platform/gpu/texel.h"
#include "platform/gpu/worker_pool.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::gpu {

namespace {

std::uint8_t* texelAddress(const Texture::Level& l, PixelFormat f, int x, int y) {
    return l.data + std::size_t(y) * l.rowBytes + std::size_t(x) * bytesPerPixel(f);
}

// The mean of the 2 × 2 texels of src that dst texel (x, y) covers, clamped at the edges.
void downsampleTexel(const Texture::Level& src, const Texture::Level& dst, PixelFormat f, int x, int y) {
    const int x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
    const int y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
    const std::uint8_t* t[4] = {texelAddress(src, f, x0, y0), texelAddress(src, f, x1, y0),
                                texelAddress(src, f, x0, y1), texelAddress(src, f, x1, y1)};
    std::uint8_t* out = texelAddress(dst, f, x, y);
    if (f == PixelFormat::rg16Float) {
        for (int ch = 0; ch < 2; ++ch) {
            float sum = 0;
            for (const auto* p : t) sum += halfToFloat(loadHalf(p + 2 * ch));
            storeHalf(out + 2 * ch, sum * 0.25f);
        }
        return;
    }
    for (std::size_t ch = 0; ch < bytesPerPixel(f); ++ch)
        out[ch] = static_cast<std::uint8_t>((t[0][ch] + t[1][ch] + t[2][ch] + t[3][ch] + 2) / 4);
}

#if defined(__SSE2__)
// (sum + 2) / 4 in each 16-bit lane; sums of four bytes stay below 1021.
__m128i roundedQuarter(__m128i sums) { return _mm_srli_epi16(_mm_add_epi16(sums, _mm_set1_epi16(2)), 2); }

__m128i load16(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// The first texels of a row of 4-byte texels, four at a time, from rows r0 and r1 above
// (8 bytes of each per texel); returns how many it did.
int meanQuads4(const std::uint8_t* r0, const std::uint8_t* r1, std::uint8_t* out, int texels) {
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 4 <= texels; x += 4) {
        __m128i sums[2];
        for (int half = 0; half < 2; ++half) {
            const __m128i a = load16(r0 + 8 * x + 16 * half), b = load16(r1 + 8 * x + 16 * half);
            // Source texels 0, 1 and 2, 3 with their rows added, then the columns paired.
            const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
            const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
            sums[half] = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x),
                         _mm_packus_epi16(roundedQuarter(sums[0]), roundedQuarter(sums[1])));
    }
    return x;
}

// The same for 1-byte texels, sixteen at a time.
int meanQuads1(const std::uint8_t* r0, const std::uint8_t* r1, std::uint8_t* out, int texels) {
    const __m128i low = _mm_set1_epi16(0x00ff);
    int x = 0;
    for (; x + 16 <= texels; x += 16) {
        __m128i sums[2];
        for (int half = 0; half < 2; ++half) {
            const __m128i a = load16(r0 + 2 * x + 16 * half), b = load16(r1 + 2 * x + 16 * half);
            const __m128i top = _mm_add_epi16(_mm_and_si128(a, low), _mm_srli_epi16(a, 8));
            sums[half] = _mm_add_epi16(top, _mm_add_epi16(_mm_and_si128(b, low), _mm_srli_epi16(b, 8)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         _mm_packus_epi16(roundedQuarter(sums[0]), roundedQuarter(sums[1])));
    }
    return x;
}
#endif

// One row of a byte format from source rows r0 and r1 (the same row where the source
// has one); columns clamp at the source's last one as in downsampleTexel.
void meanRow(const std::uint8_t* r0, const std::uint8_t* r1, std::uint8_t* out, int texels, std::size_t texelBytes,
             int sourceWidth) {
    int x = 0;
#if defined(__SSE2__)
    const int paired = std::min(texels, sourceWidth / 2);  // texels whose two source columns both exist
    if (texelBytes == 4) x = meanQuads4(r0, r1, out, paired);
    if (texelBytes == 1) x = meanQuads1(r0, r1, out, paired);
#endif
    for (; x < texels; ++x) {
        const std::size_t c0 = std::size_t(std::min(2 * x, sourceWidth - 1)) * texelBytes;
        const std::size_t c1 = std::size_t(std::min(2 * x + 1, sourceWidth - 1)) * texelBytes;
        for (std::size_t ch = 0; ch < texelBytes; ++ch)
            out[std::size_t(x) * texelBytes + ch] =
                static_cast<std::uint8_t>((r0[c0 + ch] + r0[c1 + ch] + r1[c0 + ch] + r1[c1 + ch] + 2) / 4);
    }
}

// Output bytes of one band of rows handed to a thread, and the least a level must have
// to be spread over threads at all (below it, waking them costs more than the work).
constexpr std::size_t kBandBytes = 64 * 1024;
constexpr std::size_t kParallelBytes = 512 * 1024;

}  // namespace

void downsampleRows(const Texture::Level& src, const Texture::Level& dst, PixelFormat format, int firstRow,
                    int endRow, MipKernel kernel) {
    const bool bytes = format == PixelFormat::bgra8Unorm || format == PixelFormat::r8Unorm;
    for (int y = firstRow; y < endRow; ++y) {
        if (kernel == MipKernel::texelByTexel || !bytes) {
            for (int x = 0; x < dst.width; ++x) downsampleTexel(src, dst, format, x, y);
            continue;
        }
        const std::uint8_t* r0 = src.data + std::size_t(std::min(2 * y, src.height - 1)) * src.rowBytes;
        const std::uint8_t* r1 = src.data + std::size_t(std::min(2 * y + 1, src.height - 1)) * src.rowBytes;
        meanRow(r0, r1, dst.data + std::size_t(y) * dst.rowBytes, dst.width, bytesPerPixel(format), src.width);
    }
}

void generateMipLevels(Texture& texture, WorkerPool& pool) {
    const PixelFormat format = texture.pixelFormat();
    int level = 1;
    for (; level < texture.mipLevelCount(); ++level) {
        const Texture::Level &src = texture.level(level - 1), &dst = texture.level(level);
        if (pool.threadCount() == 1 || dst.rowBytes * std::size_t(dst.height) < kParallelBytes) break;
        const int bandRows = static_cast<int>(std::max<std::size_t>(1, kBandBytes / dst.rowBytes));
        pool.parallelFor((dst.height + bandRows - 1) / bandRows, [&](int band) {
            downsampleRows(src, dst, format, band * bandRows, std::min(dst.height, (band + 1) * bandRows),
                           MipKernel::rows);
        });
    }
    for (; level < texture.mipLevelCount(); ++level)
        downsampleRows(texture.level(level - 1), texture.level(level), format, 0, texture.level(level).height,
                       MipKernel::rows);
}

}  // namespace platform::gpu

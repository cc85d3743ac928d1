#include "resample.h"

#include <emmintrin.h>

namespace {

int32_t floor_to_int(double v)
{
    int32_t i = static_cast<int32_t>(v);
    return v < static_cast<double>(i) ? i - 1 : i;
}

// Rows filtered across are kept as value * 2^7 (at most 32640).
const int across_shift = 8;      // 15-bit weights -> 7 extra bits
const int down_shift = 15 + 7;   // back to 8 bits

size_t align16(size_t bytes) { return (bytes + 15) & ~static_cast<size_t>(15); }

bool sides_taken(uint32_t source, uint32_t dest)
{
    return source != 0 && dest != 0 && dest <= resample_max_dest &&
           static_cast<uint64_t>(source) <= static_cast<uint64_t>(dest) * resample_max_ratio;
}

// Rows of the ring for a reduction of source to dest: the most taps a tent of
// that radius can have (2r + 1, r rounded up, and one more for the window's
// phase), within resample_max_taps.
uint32_t ring_rows_for(uint32_t source, uint32_t dest)
{
    uint32_t radius = (source + dest - 1) / dest;
    uint32_t taps = 2 * (radius > 0 ? radius : 1) + 2;
    return taps < resample_max_taps ? taps : resample_max_taps;
}

// Values of one ring row: four a texel, padded to an even count of texels
// for the vertical pass, which reads two at a time.
uint32_t ring_row_values(uint32_t dest_width) { return ((dest_width + 1) & ~1u) * 4; }

uint32_t load_u32(const void* p)
{
    uint32_t v;
    __builtin_memcpy(&v, p, 4);
    return v;
}

// Two neighbouring weights, repeated across the register for pmaddwd.
__m128i weight_pair(const int16_t* w) { return _mm_set1_epi32(static_cast<int>(load_u32(w))); }
__m128i weight_single(const int16_t* w) { return _mm_set1_epi32(static_cast<uint16_t>(*w)); }

void filter_across(const Resampler* r, const uint8_t* row, uint32_t bytes_per_pixel, int16_t* out)
{
    const ResampleTaps* taps = r->columns;
    if (bytes_per_pixel == 4) {
        const __m128i zero = _mm_setzero_si128();
        for (uint32_t x = 0; x < r->dest_width; ++x, ++taps, out += 4) {
            const uint8_t* p = row + static_cast<size_t>(taps->first) * 4;
            __m128i sum = _mm_set1_epi32(1 << (across_shift - 1));
            uint32_t k = 0;
            for (; k + 2 <= taps->count; k += 2, p += 8) {
                // b0 g0 r0 x0 b1 g1 r1 x1 -> b0 b1 g0 g1 r0 r1 x0 x1, times w0 w1.
                __m128i v = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
                __m128i pairs = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
                sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, weight_pair(taps->weight + k)));
            }
            if (k < taps->count) {
                __m128i v = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(load_u32(p))), zero);
                __m128i pairs = _mm_unpacklo_epi16(v, zero);
                sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, weight_single(taps->weight + k)));
            }
            sum = _mm_srai_epi32(sum, across_shift);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(sum, sum));
        }
        return;
    }
    // Three bytes a pixel (a decoder's own 24-bit output): plain arithmetic.
    for (uint32_t x = 0; x < r->dest_width; ++x, ++taps, out += 4) {
        const uint8_t* p = row + static_cast<size_t>(taps->first) * bytes_per_pixel;
        int32_t b = 1 << (across_shift - 1), g = b, red = b;
        for (uint32_t k = 0; k < taps->count; ++k, p += bytes_per_pixel) {
            int32_t w = taps->weight[k];
            b += w * p[0];
            g += w * p[1];
            red += w * p[2];
        }
        out[0] = static_cast<int16_t>(b >> across_shift);
        out[1] = static_cast<int16_t>(g >> across_shift);
        out[2] = static_cast<int16_t>(red >> across_shift);
        out[3] = 0;
    }
}

void filter_down(const Resampler* r, const ResampleTaps* taps, uint8_t* out)
{
    const int16_t* ring = r->ring;
    const uint32_t ring_rows = r->ring_rows;
    const size_t ring_row = r->ring_row;
    const uint32_t n = r->dest_width * 4;
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const int16_t* rows[resample_max_taps];
    for (uint32_t k = 0; k < taps->count; ++k)
        rows[k] = ring + ((static_cast<uint32_t>(taps->first) + k) % ring_rows) * ring_row;
    // Two texels (eight values) at a time; ring rows have room for an even count.
    for (uint32_t i = 0; i < n; i += 8) {
        __m128i lo = _mm_set1_epi32(1 << (down_shift - 1)), hi = lo;
        uint32_t k = 0;
        for (; k + 2 <= taps->count; k += 2) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i));
            __m128i w = weight_pair(taps->weight + k);
            lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), w));
            hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), w));
        }
        if (k < taps->count) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            __m128i w = weight_single(taps->weight + k);
            lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, zero), w));
            hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, zero), w));
        }
        __m128i words = _mm_packs_epi32(_mm_srai_epi32(lo, down_shift), _mm_srai_epi32(hi, down_shift));
        __m128i bytes = _mm_or_si128(_mm_packus_epi16(words, words), opaque);
        if (i + 8 <= n) _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), bytes);
        else {
            uint32_t v = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
            __builtin_memcpy(out + i, &v, 4);
        }
    }
}

} // namespace

bool resample_axis(uint32_t source, uint32_t dest, ResampleTaps* taps)
{
    if (!sides_taken(source, dest)) return false;
    const double scale = static_cast<double>(source) / dest;
    const double radius = scale > 1.0 ? scale : 1.0;
    const double inverse_radius = 1.0 / radius;
    for (uint32_t i = 0; i < dest; ++i) {
        ResampleTaps& t = taps[i];
        double centre = (i + 0.5) * scale;
        // Pixels j with |j + 0.5 - centre| < radius.
        int32_t lo = floor_to_int(centre - radius - 0.5) + 1;
        int32_t hi = floor_to_int(centre + radius - 0.5);
        if (lo < 0) lo = 0;
        if (hi > static_cast<int32_t>(source) - 1) hi = static_cast<int32_t>(source) - 1;
        double w[resample_max_taps + 1];
        double total = 0;
        uint32_t count = 0;
        for (int32_t j = lo; j <= hi && count < resample_max_taps; ++j) {
            double d = j + 0.5 - centre;
            double v = 1.0 - (d < 0 ? -d : d) * inverse_radius;
            w[count++] = v > 0 ? v : 0;
            total += v > 0 ? v : 0;
        }
        // The nearest pixel is at most half a pixel away, inside the radius:
        // total > 0. Round each weight, then give the remainder to the largest.
        double to_fixed = resample_weight_one / total;
        int32_t remainder = static_cast<int32_t>(resample_weight_one);
        uint32_t largest = 0;
        int32_t q[resample_max_taps];
        for (uint32_t k = 0; k < count; ++k) {
            q[k] = floor_to_int(w[k] * to_fixed + 0.5);
            remainder -= q[k];
            if (q[k] > q[largest]) largest = k;
        }
        q[largest] += remainder;
        for (uint32_t k = 0; k < count; ++k) t.weight[k] = static_cast<int16_t>(q[k] < 32767 ? q[k] : 32767);
        t.first = lo;
        t.count = count;
    }
    return true;
}

size_t resample_work_bytes(uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh)
{
    if (!sides_taken(sw, dw) || !sides_taken(sh, dh)) return 0;
    return align16(sizeof(ResampleTaps) * dw) + align16(sizeof(ResampleTaps) * dh) +
           align16(sizeof(int16_t) * static_cast<size_t>(ring_rows_for(sh, dh)) * ring_row_values(dw));
}

bool resample_begin(Resampler* r, uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh, void* work, size_t work_bytes)
{
    r->source_width = sw;
    r->source_height = sh;
    r->dest_width = dw;
    r->dest_height = dh;
    r->rows_in = 0;
    r->rows_out = 0;
    size_t need = resample_work_bytes(sw, sh, dw, dh);
    if (need == 0 || !work || work_bytes < need) return false;
    uint8_t* base = static_cast<uint8_t*>(work);
    r->columns = reinterpret_cast<ResampleTaps*>(base);
    base += align16(sizeof(ResampleTaps) * dw);
    r->rows = reinterpret_cast<ResampleTaps*>(base);
    base += align16(sizeof(ResampleTaps) * dh);
    r->ring = reinterpret_cast<int16_t*>(base);
    r->ring_rows = ring_rows_for(sh, dh);
    r->ring_row = ring_row_values(dw);
    if (!resample_axis(sw, dw, r->columns) || !resample_axis(sh, dh, r->rows)) return false;
    // The vertical pass keeps every row of a destination row's window in the
    // ring at once.
    for (uint32_t y = 0; y < dh; ++y)
        if (r->rows[y].count > r->ring_rows) return false;
    return true;
}

uint32_t resample_push(Resampler* r, const uint8_t* rows, size_t stride, uint32_t count,
                       uint32_t bytes_per_pixel, uint8_t* dest, size_t dest_pitch)
{
    for (uint32_t n = 0; n < count && r->rows_in < r->source_height; ++n, rows += stride) {
        uint32_t j = r->rows_in++;
        if (r->rows_out == r->dest_height || j < static_cast<uint32_t>(r->rows[r->rows_out].first)) continue;
        filter_across(r, rows, bytes_per_pixel, r->ring + static_cast<size_t>(j % r->ring_rows) * r->ring_row);
        // The windows move down monotonically; the rows still waiting for the
        // current destination row are at most ring_rows, so none of them
        // was overwritten.
        while (r->rows_out < r->dest_height) {
            const ResampleTaps& t = r->rows[r->rows_out];
            if (static_cast<uint32_t>(t.first) + t.count - 1 > j) break;
            filter_down(r, &t, dest + r->rows_out * dest_pitch);
            ++r->rows_out;
        }
    }
    return r->rows_out;
}

void box_halve(const uint8_t* source, size_t source_pitch, uint8_t* dest, size_t dest_pitch, uint32_t side)
{
    const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
    for (uint32_t y = 0; y < side; ++y) {
        const uint8_t* a = source + 2 * y * source_pitch;
        const uint8_t* b = a + source_pitch;
        uint8_t* out = dest + y * dest_pitch;
        uint32_t x = 0;
        // Two texels from four of each row above.
        for (; x + 2 <= side; x += 2) {
            __m128i ra = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 8 * x));
            __m128i rb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 8 * x));
            __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(ra, zero), _mm_unpacklo_epi8(rb, zero));
            __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(ra, zero), _mm_unpackhi_epi8(rb, zero));
            lo = _mm_add_epi16(lo, _mm_srli_si128(lo, 8));  // texel 0 + texel 1 in the low half
            hi = _mm_add_epi16(hi, _mm_srli_si128(hi, 8));
            __m128i sum = _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(lo, hi), two), 2);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * x), _mm_packus_epi16(sum, sum));
        }
        for (uint32_t i = 4 * x; i < 4 * side; ++i) {
            uint32_t j = (i & ~3u) * 2 + (i & 3u);  // byte i of texel i / 4 in the row above
            out[i] = static_cast<uint8_t>((a[j] + a[j + 4] + b[j] + b[j + 4] + 2) >> 2);
        }
    }
}

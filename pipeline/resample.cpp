#include "resample.h"

namespace {

int32_t floor_to_int(double v)
{
    int32_t i = static_cast<int32_t>(v);
    return v < static_cast<double>(i) ? i - 1 : i;
}

// Rows filtered across are kept as value * 2^7 (at most 32640).
const uint32_t across_shift = 8;                          // 15-bit weights -> 7 extra bits
const uint32_t down_shift = 15 + 7;                       // back to 8 bits
const uint32_t ring_rows = resample_max_taps;

void filter_across(const Resampler* r, const uint8_t* row, uint32_t bytes_per_pixel, uint16_t* out)
{
    const ResampleTaps* taps = r->columns;
    for (uint32_t x = 0; x < r->dest_width; ++x, ++taps) {
        const uint8_t* p = row + static_cast<size_t>(taps->first) * bytes_per_pixel;
        uint32_t b = 1u << (across_shift - 1), g = b, red = b;
        for (uint32_t k = 0; k < taps->count; ++k, p += bytes_per_pixel) {
            uint32_t w = taps->weight[k];
            b += w * p[0];
            g += w * p[1];
            red += w * p[2];
        }
        out[0] = static_cast<uint16_t>(b >> across_shift);
        out[1] = static_cast<uint16_t>(g >> across_shift);
        out[2] = static_cast<uint16_t>(red >> across_shift);
        out += 3;
    }
}

void filter_down(const Resampler* r, const uint16_t* ring, const ResampleTaps* taps, uint8_t* out)
{
    const uint32_t n = r->dest_width * 3;
    uint32_t sum[resample_max_dest * 3];
    for (uint32_t i = 0; i < n; ++i) sum[i] = 1u << (down_shift - 1);
    for (uint32_t k = 0; k < taps->count; ++k) {
        const uint16_t* row = ring + static_cast<size_t>((static_cast<uint32_t>(taps->first) + k) % ring_rows) * n;
        uint32_t w = taps->weight[k];
        for (uint32_t i = 0; i < n; ++i) sum[i] += w * row[i];
    }
    for (uint32_t x = 0; x < r->dest_width; ++x) {
        out[4 * x + 0] = static_cast<uint8_t>(sum[3 * x + 0] >> down_shift);
        out[4 * x + 1] = static_cast<uint8_t>(sum[3 * x + 1] >> down_shift);
        out[4 * x + 2] = static_cast<uint8_t>(sum[3 * x + 2] >> down_shift);
        out[4 * x + 3] = 0xFF;
    }
}

} // namespace

bool resample_axis(uint32_t source, uint32_t dest, ResampleTaps* taps)
{
    if (source == 0 || dest == 0 || dest > resample_max_dest ||
        static_cast<uint64_t>(source) > static_cast<uint64_t>(dest) * resample_max_ratio)
        return false;
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
        for (uint32_t k = 0; k < count; ++k) {
            int32_t q = floor_to_int(w[k] * to_fixed + 0.5);
            t.weight[k] = static_cast<uint16_t>(q);
            remainder -= q;
            if (t.weight[k] > t.weight[largest]) largest = k;
        }
        t.weight[largest] = static_cast<uint16_t>(t.weight[largest] + remainder);
        t.first = lo;
        t.count = count;
    }
    return true;
}

bool resample_begin(Resampler* r, uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh)
{
    r->source_width = sw;
    r->source_height = sh;
    r->dest_width = dw;
    r->dest_height = dh;
    r->rows_in = 0;
    r->rows_out = 0;
    return resample_axis(sw, dw, r->columns) && resample_axis(sh, dh, r->rows);
}

uint32_t resample_push(Resampler* r, uint16_t* ring, const uint8_t* rows, size_t stride, uint32_t count,
                       uint32_t bytes_per_pixel, uint8_t* dest, size_t dest_pitch)
{
    const size_t ring_row = static_cast<size_t>(r->dest_width) * 3;
    for (uint32_t n = 0; n < count && r->rows_in < r->source_height; ++n, rows += stride) {
        uint32_t j = r->rows_in++;
        if (r->rows_out == r->dest_height || j < static_cast<uint32_t>(r->rows[r->rows_out].first)) continue;
        filter_across(r, rows, bytes_per_pixel, ring + (j % ring_rows) * ring_row);
        // The windows move down monotonically; the rows still waiting for the
        // current destination row are fewer than ring_rows, so none of them
        // was overwritten.
        while (r->rows_out < r->dest_height) {
            const ResampleTaps& t = r->rows[r->rows_out];
            if (static_cast<uint32_t>(t.first) + t.count - 1 > j) break;
            filter_down(r, ring, &t, dest + r->rows_out * dest_pitch);
            ++r->rows_out;
        }
    }
    return r->rows_out;
}

void box_halve(const uint8_t* source, size_t source_pitch, uint8_t* dest, size_t dest_pitch, uint32_t side)
{
    for (uint32_t y = 0; y < side; ++y) {
        const uint8_t* a = source + 2 * y * source_pitch;
        const uint8_t* b = a + source_pitch;
        uint8_t* out = dest + y * dest_pitch;
        for (uint32_t i = 0; i < 4 * side; ++i) {
            uint32_t x = (i & ~3u) * 2 + (i & 3u);  // byte i of texel i / 4 in the row above
            out[i] = static_cast<uint8_t>((a[x] + a[x + 4] + b[x] + b[x + 4] + 2) >> 2);
        }
    }
}

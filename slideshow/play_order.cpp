#include "play_order.h"

#include "app/support.h"

namespace {

// The generator's constants on round_key_bits bits. The multiplier is 1
// modulo 4 and the increment odd, so the generator runs through every key.
const uint32_t key_multiplier = 2147001325u & round_key_mask;
const uint32_t key_increment = 715136305u & round_key_mask;

constexpr uint32_t inverse_of(uint32_t odd)
{
    // Newton's iteration doubles the correct low bits each step: 3, 6, 12, 24, 48.
    uint32_t x = odd;
    for (int i = 0; i < 5; ++i) x *= 2 - odd * x;
    return x & round_key_mask;
}
const uint32_t key_multiplier_inverse = inverse_of(key_multiplier);
static_assert(((key_multiplier * key_multiplier_inverse) & round_key_mask) == 1, "the generator steps back");

// Scrambles the bits of x: a round's choices as a function of the position.
uint32_t mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// A round's order as a chain of swap-or-not steps: step i pairs each position
// x with pivot[i] - x (modulo the count) and swaps the pair or not, by a bit
// that depends only on the pair. Every step is its own inverse, so the chain
// run backwards maps photos back to positions. Six steps per bit of the count
// and some more mix any count thoroughly.
const int32_t max_steps = 6 * 31 + 16;

struct Shuffle {
    uint32_t count;
    int32_t steps;
    uint32_t pivot[max_steps];
    uint32_t flip[max_steps];
};

void make_shuffle(Shuffle* s, uint32_t round, int32_t count)
{
    s->count = static_cast<uint32_t>(count);
    int32_t bits = 0;
    while (bits < 31 && (1u << bits) < s->count) ++bits;
    s->steps = 6 * bits + 16;
    uint32_t state = mix(round);
    for (int32_t i = 0; i < s->steps; ++i) {
        uint32_t r = next_random_from(&state) << 8 ^ next_random_from(&state);
        s->pivot[i] = static_cast<uint32_t>((static_cast<uint64_t>(r) * s->count) >> 32);
        s->flip[i] = next_random_from(&state) << 8 ^ next_random_from(&state);
    }
}

uint32_t step(const Shuffle& s, int32_t i, uint32_t x)
{
    uint32_t pivot = s.pivot[i];
    uint32_t partner = pivot >= x ? pivot - x : pivot + s.count - x;
    uint32_t high = x > partner ? x : partner;
    return (mix(high ^ s.flip[i]) & 1) ? partner : x;
}

uint32_t forwards(const Shuffle& s, uint32_t x)
{
    for (int32_t i = 0; i < s.steps; ++i) x = step(s, i, x);
    return x;
}

uint32_t backwards(const Shuffle& s, uint32_t x)
{
    for (int32_t i = s.steps - 1; i >= 0; --i) x = step(s, i, x);
    return x;
}

// A round that would begin with the photo that ended the round before has
// that photo exchanged with the one in its middle. The middle is never the
// last position (from three photos on), so a round's last photo does not
// depend on this rule and the rule needs only the round before.
struct Round {
    Shuffle order;
    int32_t middle;
    bool exchanged;
};

void make_round(Round* r, uint32_t round, int32_t count)
{
    make_shuffle(&r->order, round, count);
    r->middle = count / 2;
    Shuffle before;
    make_shuffle(&before, previous_round(round), count);
    r->exchanged = forwards(r->order, 0) == forwards(before, static_cast<uint32_t>(count - 1));
}

int32_t exchange(const Round& r, int32_t position)
{
    if (!r.exchanged) return position;
    if (position == 0) return r.middle;
    if (position == r.middle) return 0;
    return position;
}

// Two photos can only alternate, one photo only repeat: the folder's order
// serves there.
bool shuffles(const PlayOrder& order) { return order.shuffled && order.count > 2; }

} // namespace

uint32_t next_round(uint32_t round) { return (round * key_multiplier + key_increment) & round_key_mask; }

uint32_t previous_round(uint32_t round) { return ((round - key_increment) * key_multiplier_inverse) & round_key_mask; }

int32_t photo_at(const PlayOrder& order, Place place)
{
    if (place.position < 0 || place.position >= order.count) return 0;
    if (!shuffles(order)) return place.position;
    Round r;
    make_round(&r, place.round, order.count);
    return static_cast<int32_t>(forwards(r.order, static_cast<uint32_t>(exchange(r, place.position))));
}

Place place_of(const PlayOrder& order, uint32_t round, int32_t index)
{
    if (index < 0 || index >= order.count) return Place{round, 0};
    if (!shuffles(order)) return Place{round, index};
    Round r;
    make_round(&r, round, order.count);
    return Place{round, exchange(r, static_cast<int32_t>(backwards(r.order, static_cast<uint32_t>(index))))};
}

Place place_after(const PlayOrder& order, Place place)
{
    if (place.position < -1) place.position = -1;
    if (place.position + 1 < order.count) return Place{place.round, place.position + 1};
    return Place{shuffles(order) ? next_round(place.round) : place.round, 0};
}

Place place_before(const PlayOrder& order, Place place)
{
    if (place.position > order.count) place.position = order.count;
    if (place.position >= 1) return Place{place.round, place.position - 1};
    int32_t last = order.count > 0 ? order.count - 1 : 0;
    return Place{shuffles(order) ? previous_round(place.round) : place.round, last};
}

uint32_t seed_for(uint32_t round, int32_t count)
{
    const uint32_t check_mask = (1u << (32 - round_key_bits)) - 1;
    return (round & round_key_mask) << (32 - round_key_bits) | (static_cast<uint32_t>(count) & check_mask);
}

Place resume_place(const PlayOrder& order, int32_t stored_position, int32_t photo, bool seed_stored, uint32_t seed,
                   uint32_t fresh)
{
    int32_t position = stored_position < -1 ? -1 : stored_position;
    if (position > order.count - 1) position = order.count - 1;
    uint32_t round = 0;
    if (order.shuffled) {
        if (!seed_stored) return Place{fresh & round_key_mask, -1};
        round = seed >> (32 - round_key_bits);
        if (seed_for(round, order.count) != seed) return Place{next_round(round), -1};
    }
    if (photo >= 0 && photo < order.count) position = place_of(order, round, photo).position - 1;
    return Place{round, position};
}

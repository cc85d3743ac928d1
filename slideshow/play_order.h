// The order in which the show brings its photos: the folder's, or shuffled.
// A shuffled show goes through the list in rounds: every photo once per
// round, each round in an order of its own, and a round never begins with the
// photo that ended the one before. Plain code over plain numbers; the order
// needs no storage, each round's order follows from the round's key.
#pragma once
#include <stdint.h>

struct PlayOrder {
    int32_t count;   // photos in the list
    bool shuffled;
};

// A place in the play order: a round, named by its key, and the position in
// it. In folder order, and with fewer than three photos, which only repeat or
// alternate, every place has the same round.
struct Place {
    uint32_t round;
    // 0 to count - 1; -1 before the round's first photo.
    int32_t position;
};

inline bool same_place(Place a, Place b) { return a.round == b.round && a.position == b.position; }

// Round keys have this many bits; the rest of a stored seed checks the count.
const int32_t round_key_bits = 20;
const uint32_t round_key_mask = (1u << round_key_bits) - 1;

// The list index of the photo at `place` (position 0 to count - 1; 0 for any
// other position, and for an empty list).
int32_t photo_at(const PlayOrder& order, Place place);

// The place of list index `index` (0 to count - 1) in round `round`: the
// inverse of photo_at.
Place place_of(const PlayOrder& order, uint32_t round, int32_t index);

// The place after `place`: the next position of its round, after the last
// the first of the next round. From position -1, the round's first.
Place place_after(const PlayOrder& order, Place place);

// The place before `place`: the previous position, or from the first (and
// from -1) the last of the round before.
Place place_before(const PlayOrder& order, Place place);

// The keys of the rounds after and before the round with key `round`. They
// come from the program's generator on round_key_bits bits, which visits
// every key before one comes back.
uint32_t next_round(uint32_t round);
uint32_t previous_round(uint32_t round);

// The value stored as "seed" for `round` in a list of `count` photos: the
// key, with the count's low bits below it.
uint32_t seed_for(uint32_t round, int32_t count);

// Where a show of order.count photos (at least 1) goes on: after
// `stored_position` (the value stored as "file", -1 or more: the place before
// the photo to show first), in the round the stored seed names. A position
// past the end of the list is taken as the last one. Where the list holds the
// stored photo (list index `photo`; -1 for none), the show goes on just
// before it instead, wherever it now stands in that round. A shuffled show
// without a stored seed begins a new round with key `fresh`; one whose seed
// was stored for another count of photos begins the round after the stored
// one, from its start.
Place resume_place(const PlayOrder& order, int32_t stored_position, int32_t photo, bool seed_stored, uint32_t seed,
                   uint32_t fresh);

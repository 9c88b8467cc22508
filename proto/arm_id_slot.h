/* The slot of MainArmResponseMsg's `id`, a string member of the oneof `result`
 * that it shares with the bool `success`.
 *
 * The decoder writes `success` into the first byte of the union. A plain
 * callback slot would lose its function pointer there, and an `id` arriving
 * after `success` would then be decoded through a clobbered pointer. This slot
 * keeps its binding behind that byte, so `id` and `success` decode in any
 * order: which_result names the member that came last and the id text lands
 * in the slot's text_buffer. (C, since the generated record includes it.) */
#ifndef VOSTREL_ARM_ID_SLOT_H
#define VOSTREL_ARM_ID_SLOT_H

#include <pb.h>

struct text_buffer;

struct id_text_slot {
    bool overlaid_by_success;
    struct text_buffer* buffer; /* NULL: the id text is skipped */
};

#ifdef __cplusplus
extern "C" {
#endif

/* Field callback of MainArmResponseMsg: `id` through its id_text_slot, every
 * other string through nanopb's default callback (a pb_callback_t slot). */
bool arm_response_text_callback(pb_istream_t* istream, pb_ostream_t* ostream,
                                const pb_field_t* field);

#ifdef __cplusplus
}
#endif

#endif

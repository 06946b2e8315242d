#include "tests/support/ppdev_model.h"

#include <cerrno>
#include <cstdio>

namespace testing_support {
namespace {

// The status register with nothing but the board on the cable: ERROR, PAPER OUT and ACK are
// pulled high, BUSY is pulled high and read inverted (0), the three reserved bits read 1.
constexpr uint8_t kIdleStatus = 0x6F;
constexpr uint8_t kSelect = 0x10;
constexpr uint8_t kPaperEnd = 0x20;

}  // namespace

PpdevModel::Claim PpdevModel::claim() {
    if (held_by_other_) return Claim::Waits;
    claimed_ = true;
    return Claim::Granted;
}

// Register access without the claim is refused, as the driver refuses it.
int PpdevModel::write_data(uint8_t value) {
    if (!claimed_) return EINVAL;
    data_ = value;
    writes_.push_back(value);
    board_.out(boardlink::kDataRegister, value);
    return 0;
}

int PpdevModel::read_data(uint8_t& value) const {
    if (!claimed_) return EINVAL;
    value = data_;
    return 0;
}

int PpdevModel::read_status(uint8_t& value) const {
    if (!claimed_) return EINVAL;
    value = uint8_t(kIdleStatus | (board_.in(boardlink::kStatusRegister) & kSelect));
    if (!*board_.lock_detect()) value = uint8_t(value & ~kPaperEnd);
    return 0;
}

void PpdevModel::log_unknown(unsigned long request) {
    unknown_.push_back(request);
    std::fprintf(stderr, "parallel port model: ioctl it does not know: 0x%lx\n", request);
}

}  // namespace testing_support

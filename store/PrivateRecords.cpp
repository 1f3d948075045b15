#include "store/PrivateRecords.h"

namespace quillet {

uint8_t bShowPrivate = 0;

}  // namespace quillet

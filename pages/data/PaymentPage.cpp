#include "pages/data/DataPages.h"

namespace quillet {

void registerPaymentPage() {}

}  // namespace quillet

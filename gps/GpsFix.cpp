#include "gps/GpsFix.h"

namespace trek {

GpsFix& CurrentGpsFix() {
    static GpsFix fix;
    return fix;
}

}  // namespace trek

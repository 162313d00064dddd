#include "cw_process.h"
#include "resources.h"

namespace bridgetest {

Resources CurrentResources() {
    const cwtest::ResourceCounts c = cwtest::CurrentResourceCounts();
    return Resources{c.threads, c.handles};
}

}  // namespace bridgetest

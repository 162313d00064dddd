#include "tests/support/CwProcess.h"
#include "bridge/tests/Resources.h"

namespace bridgetest {

Resources CurrentResources() {
    const cwtest::ResourceCounts c = cwtest::CurrentResourceCounts();
    return Resources{c.threads, c.handles};
}

}  // namespace bridgetest

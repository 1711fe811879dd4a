#include "graph/live_graph.h"

namespace kr5061 {

std::unique_ptr<LiveGraph> makeLiveGraph() {
    return std::make_unique<LiveGraph>();
}

}  // namespace kr5061

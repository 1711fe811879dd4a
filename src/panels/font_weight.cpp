#include "panels/font_weight.h"

#include <cstdlib>

namespace kr5061 {

int nearestFaceWeight(std::span<const int> available, int wanted) {
    int best = wanted;
    int bestDistance = -1;
    for (const int w : available) {
        const int d = std::abs(w - wanted);
        const bool tieWins = d == bestDistance && (wanted > 500 ? w > best : w < best);
        if (bestDistance < 0 || d < bestDistance || tieWins) {
            best = w;
            bestDistance = d;
        }
    }
    return best;
}

}  // namespace kr5061

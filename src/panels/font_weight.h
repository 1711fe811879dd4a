#pragma once

#include <span>

namespace kr5061 {

// The weight (100..900) of the face a family really has that comes nearest to
// `wanted`: a family with Regular (400) and Bold (700) only shows 100 as
// Regular, never as a synthesised thin face. On a tie the heavier face wins
// above 500 and the lighter one otherwise; without any face, `wanted` stays.
int nearestFaceWeight(std::span<const int> available, int wanted);

}  // namespace kr5061

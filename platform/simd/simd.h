#pragma once

// The vector, matrix and quaternion types of the effect models and the GPU records.
// See vector.h for layout and arithmetic rules, matrix.h for the column-major matrices.

#include "platform/simd/matrix.h"
#include "platform/simd/vector.h"

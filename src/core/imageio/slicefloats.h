#pragma once

#include <vector>

// A slice's region as 32-bit floats, for the formats other tools read: width x height values,
// row by row, the first being result pixel (x0, z0).
struct SliceFloats {
    int x0 = 0;
    int z0 = 0;
    int width = 0;
    int height = 0;
    std::vector<float> values;

    bool isEmpty() const { return width <= 0 || height <= 0; }
};

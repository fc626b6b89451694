#pragma once

// Test pictures written at run time by the formats' own encoders, so that each case states
// exactly what the file holds.

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct JpegSpec {
    int width;
    int height;
    int components;
    J_COLOR_SPACE input;
    J_COLOR_SPACE stored;
    bool adobeMarker = true;
    bool progressive = false;
};

// A JPEG of the given samples (width x height x components bytes, rows top to bottom).
QByteArray writeJpeg(const JpegSpec& spec, const Bytes& samples);

// A width x height picture of four flat quadrants, with `components` samples for each colour.
Bytes quadrants(int width, int height, const std::vector<Bytes>& colours);

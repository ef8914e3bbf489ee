#pragma once

#include "engine/Detector.h"

/** Blended, normalised tanh clipper: drive 1 + 4k, ceiling 1 / tanh (drive); v is returned
    unchanged for k of 0.0001 or less. */
float softClip (float v, float k) noexcept;

/** Steps 5 to 10 of the shaper for a sample x whose transient amount J is known: body and
    transient gains, punch saturation, clip, output gain and mix. */
float shapeWithAmount (float x, float transient, float attackDb, float sustainDb, float punch, float clip, float mix, float outputGain) noexcept;

/** The whole per-sample shaper, detector included, written plainly: the follower
    coefficients are derived from the mode and sample rate on every call. The block engine
    computes the same thing faster; this form documents it and serves as the baseline. */
float shapeSample (DetectorState& state,
                   double sampleRate,
                   float x,
                   int channel,
                   float attackDb,
                   float sustainDb,
                   float sensitivity,
                   float punch,
                   float clip,
                   float mix,
                   float outputGain,
                   int focusIndex,
                   int modeIndex) noexcept;

#pragma once

// The shaping arithmetic written once over a vector type. Included by one translation unit
// per instruction set; it deliberately includes no library templates, so nothing compiled
// for AVX2 can be merged into code that runs on older CPUs.

#include "engine/ShaperKernel.h"

namespace
{
template <typename Ops>
inline void shapeLanesWith (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept
{
    using V = typename Ops::V;
    const V zero = Ops::set (0.0f), one = Ops::set (1.0f);
    const V tanhFloor = Ops::set (0.001f), clipThreshold = Ops::set (0.0001f);
    const V modeGain = Ops::set (lanes.modeGain);
    V inPeak = Ops::set (inputPeak), outPeak = Ops::set (outputPeak);

    for (int i = 0; i < lanes.count; i += Ops::width)
    {
        const V x = Ops::load (lanes.input + i);
        const V fast = Ops::load (lanes.fastEnvelope + i);
        const V slow = Ops::load (lanes.slowEnvelope + i);
        const V p = Ops::load (lanes.punch + i);
        const V k = Ops::load (lanes.clip + i);

        // Transient amount: the fast follower's lead over 88 % of the slow one.
        const V lead = Ops::max (Ops::sub (fast, Ops::mul (Ops::set (0.88f), slow)), zero);
        const V sensitivity = Ops::add (Ops::mul (Ops::set (1.35f), Ops::load (lanes.sensitivity + i)), Ops::set (0.35f));
        V j = Ops::mul (Ops::mul (Ops::div (lead, Ops::add (fast, Ops::set (0.0001f))), sensitivity), modeGain);
        j = Ops::min (Ops::max (j, zero), one);

        // Body weight, and the two gains in dB scaled by how transient the sample is.
        V body = Ops::sub (one, Ops::mul (Ops::sub (Ops::set (0.78f), Ops::mul (Ops::set (0.08f), p)), j));
        body = Ops::min (Ops::max (body, zero), one);
        const V transientGain = Ops::exp10 (Ops::mul (Ops::mul (j, Ops::load (lanes.attack + i)), Ops::set (0.05f)));
        const V bodyGain = Ops::exp10 (Ops::mul (Ops::mul (body, Ops::load (lanes.sustain + i)), Ops::set (0.05f)));

        // Punch: normalised tanh of the transient part, minus the part itself.
        const V part = Ops::mul (j, x);
        const V drive = Ops::add (one, Ops::mul (Ops::mul (Ops::set (3.2f), p), j));
        const V saturation = Ops::sub (Ops::div (Ops::tanh (Ops::mul (drive, part)), Ops::max (Ops::tanh (drive), tanhFloor)), part);
        const V punchWeight = Ops::add (Ops::set (0.35f), Ops::mul (Ops::set (0.35f), p));
        V v = Ops::add (Ops::add (Ops::mul (saturation, punchWeight), Ops::mul (bodyGain, Ops::sub (x, part))), Ops::mul (transientGain, part));

        // Clip, blended in by k; left exactly alone at k <= 0.0001.
        const V clipDrive = Ops::add (one, Ops::mul (Ops::set (4.0f), k));
        const V clipped = Ops::add (v, Ops::mul (Ops::sub (Ops::div (Ops::tanh (Ops::mul (clipDrive, v)), Ops::max (Ops::tanh (clipDrive), tanhFloor)), v), k));
        v = Ops::select (Ops::greater (k, clipThreshold), clipped, v);

        // Output gain on the processed path, mix with the dry sample, then the power fade.
        const V y = Ops::add (x, Ops::mul (Ops::load (lanes.mix + i), Ops::sub (Ops::mul (v, Ops::load (lanes.outputGain + i)), x)));
        const V out = Ops::add (Ops::mul (Ops::sub (y, x), Ops::load (lanes.power + i)), x);
        Ops::store (lanes.output + i, out);

        inPeak = Ops::maxIgnoringNaN (Ops::abs (x), inPeak);
        outPeak = Ops::maxIgnoringNaN (Ops::abs (out), outPeak);
    }

    inputPeak = Ops::reduceMax (inPeak);
    outputPeak = Ops::reduceMax (outPeak);
}
} // namespace

#pragma once

// The shaping arithmetic and its two transcendental functions written once over a vector
// type. Included by one translation unit per instruction set; it deliberately includes no
// library templates, so nothing compiled for AVX2 can be merged into code that runs on older
// CPUs.

#include "engine/DetectorKernelImpl.h"
#include "engine/ShaperKernel.h"

namespace
{
/** e^x for x within +-87 (where single precision ends; the callers bound their arguments
    beside the chain of dependent steps, not in it). The argument is reduced to
    r = x - n ln 2 with ln 2 split in two, so the reduction is exact; e^r comes from Cephes'
    single-precision minimax polynomial and 2^n is built in the exponent bits. Within two ulps
    of std::exp. */
template <typename Ops>
inline typename Ops::V expOfWithinRange (typename Ops::V x) noexcept
{
    const auto n = Ops::toInt (Ops::mul (x, Ops::set (1.44269504088896341f)));
    const auto nf = Ops::toFloat (n);
    auto r = Ops::sub (x, Ops::mul (nf, Ops::set (0.693359375f)));
    r = Ops::add (r, Ops::mul (nf, Ops::set (2.12194440e-4f)));

    // The polynomial by Estrin's scheme, for a shorter chain of dependent steps.
    const auto r2 = Ops::mul (r, r);
    const auto r4 = Ops::mul (r2, r2);
    const auto p01 = Ops::fma (Ops::set (1.6666665459e-1f), r, Ops::set (5.0000001201e-1f));
    const auto p23 = Ops::fma (Ops::set (8.3334519073e-3f), r, Ops::set (4.1665795894e-2f));
    const auto p45 = Ops::fma (Ops::set (1.9875691500e-4f), r, Ops::set (1.3981999507e-3f));
    const auto p = Ops::fma (p45, r4, Ops::fma (p23, r2, p01));
    const auto y = Ops::fma (p, r2, Ops::add (r, Ops::set (1.0f)));
    return Ops::mul (y, Ops::pow2 (n));
}

/** tanh x as a ratio of an odd degree-13 and an even degree-6 polynomial, fitted on
    [-7.9, 7.9]; beyond that tanh is 1 to single precision. A few ulps from std::tanh. The
    two polynomials are returned apart, so a quotient of two tanh values costs one division. */
template <typename Ops>
struct TanhRatio
{
    typename Ops::V numerator, denominator;
};

template <typename Ops>
inline TanhRatio<Ops> tanhRatioOf (typename Ops::V x) noexcept
{
    const auto limit = Ops::set (7.90531110763549805f);
    // x^2 is clamped on its own, beside x, so the polynomials need not wait for the clamp of
    // x (a NaN gives the ends of the range either way).
    const auto x2 = Ops::min (Ops::mul (x, x), Ops::set (7.90531110763549805f * 7.90531110763549805f));
    x = Ops::min (Ops::max (x, Ops::sub (Ops::set (0.0f), limit)), limit);

    // Both polynomials in x^2 by Estrin's scheme: pairs first, then pairs of pairs, so the
    // chain of dependent steps is half as long as Horner's.
    const auto x4 = Ops::mul (x2, x2);
    const auto x8 = Ops::mul (x4, x4);
    const auto p01 = Ops::fma (Ops::set (6.37261928875436e-04f), x2, Ops::set (4.89352455891786e-03f));
    const auto p23 = Ops::fma (Ops::set (5.12229709037114e-08f), x2, Ops::set (1.48572235717979e-05f));
    const auto p45 = Ops::fma (Ops::set (2.00018790482477e-13f), x2, Ops::set (-8.60467152213735e-11f));
    const auto p6 = Ops::set (-2.76076847742355e-16f);
    const auto p = Ops::fma (Ops::fma (p6, x4, p45), x8, Ops::fma (p23, x4, p01));

    const auto q01 = Ops::fma (Ops::set (2.26843463243900e-03f), x2, Ops::set (4.89352518554385e-03f));
    const auto q23 = Ops::fma (Ops::set (1.19825839466702e-06f), x2, Ops::set (1.18534705686654e-04f));
    const auto q = Ops::fma (q23, x4, q01);
    return { Ops::mul (p, x), q };
}

/** tanh (drive v) / tanh (drive), the normalised saturation curve (maps +-1 to +-1), from
    tanh (drive v) and tanh (drive) as ratios, with one reciprocal. The drive is at least 1
    here, so tanh (drive) is far from zero. */
template <typename Ops>
inline typename Ops::V normalisedTanhOf (const TanhRatio<Ops>& top, const TanhRatio<Ops>& bottom) noexcept
{
    return Ops::mul (Ops::mul (top.numerator, bottom.denominator), Ops::reciprocal (Ops::mul (top.denominator, bottom.numerator)));
}

/** One channel's chunk through the shaper in two passes over its vectors (transient amount,
    gains and punch; then clip, mix and power): each step is short enough for the CPU to
    overlap several of them, which one long body of dependent steps would not allow. */
template <typename Ops>
struct ShapeRun
{
    using V = typename Ops::V;

    ShapeRun (const ShaperLanes& lanesIn, float inputPeak, float outputPeak) noexcept
        : lanes (lanesIn),
          modeGain (Ops::set (lanesIn.modeGain)),
          inPeak (Ops::set (inputPeak)),
          outPeak (Ops::set (outputPeak))
    {
        // A settled clip control has one drive for the whole chunk, and so one tanh (drive).
        if (lanes.clipIsConstant && lanes.count > 0)
            constantClipBottom = tanhRatioOf<Ops> (clipDriveOf (Ops::set (lanes.clip[0])));
    }

    static V clipDriveOf (V k) noexcept { return Ops::add (Ops::set (1.0f), Ops::mul (Ops::set (4.0f), k)); }

    inline void firstPass (int i) noexcept { Ops::store (lanes.output + i, shaped (i)); }
    inline void secondPass (int i) noexcept { clipMixAndStore (i, Ops::load (lanes.output + i)); }

    /** Both passes on one vector, its shaped value kept in a register between them. */
    inline void bothPasses (int i) noexcept { clipMixAndStore (i, shaped (i)); }

    /** Transient amount, gains and punch. */
    inline V shaped (int i) noexcept
    {
        const V zero = Ops::set (0.0f), one = Ops::set (1.0f);
        // 10^(dB / 20) = e^(dB ln 10 / 20)
        const V decibelsToExponent = Ops::set (0.11512925464970229f);
        const V x = Ops::load (lanes.input + i);
        const V fast = Ops::load (lanes.fastEnvelope + i);
        const V slow = Ops::load (lanes.slowEnvelope + i);
        const V p = Ops::load (lanes.punch + i);

        // Transient amount: the fast follower's lead over 88 % of the slow one.
        const V lead = Ops::max (Ops::sub (fast, Ops::mul (Ops::set (0.88f), slow)), zero);
        const V sensitivity = Ops::add (Ops::mul (Ops::set (1.35f), Ops::load (lanes.sensitivity + i)), Ops::set (0.35f));
        V j = Ops::mul (Ops::mul (lead, Ops::reciprocal (Ops::add (fast, Ops::set (0.0001f)))), Ops::mul (sensitivity, modeGain));
        j = Ops::min (Ops::max (j, zero), one);

        // Body weight, and the two gains in dB scaled by how transient the sample is. The
        // controls are turned into exponents beside the detector's arithmetic, and held within
        // e^x's range there, so the weights (0..1) need only one multiply before e^x.
        V body = Ops::fma (Ops::sub (Ops::mul (Ops::set (0.08f), p), Ops::set (0.78f)), j, one);
        body = Ops::min (Ops::max (body, zero), one);
        const V attackExponent = Ops::min (Ops::max (Ops::mul (Ops::load (lanes.attack + i), decibelsToExponent), Ops::set (-87.0f)), Ops::set (87.0f));
        const V sustainExponent = Ops::min (Ops::max (Ops::mul (Ops::load (lanes.sustain + i), decibelsToExponent), Ops::set (-87.0f)), Ops::set (87.0f));
        const V transientGain = expOfWithinRange<Ops> (Ops::mul (j, attackExponent));
        const V bodyGain = expOfWithinRange<Ops> (Ops::mul (body, sustainExponent));

        // Punch: normalised tanh of the transient part, minus the part itself.
        const V part = Ops::mul (j, x);
        const V drive = Ops::fma (Ops::mul (Ops::set (3.2f), p), j, one);
        const V saturation = Ops::sub (normalisedTanhOf<Ops> (tanhRatioOf<Ops> (Ops::mul (drive, part)), tanhRatioOf<Ops> (drive)), part);
        const V punchWeight = Ops::add (Ops::set (0.35f), Ops::mul (Ops::set (0.35f), p));
        return Ops::fma (saturation, punchWeight, Ops::fma (bodyGain, Ops::sub (x, part), Ops::mul (transientGain, part)));
    }

    /** Clip, mix and power on the shaped value v, stored as the output. */
    inline void clipMixAndStore (int i, V v) noexcept
    {
        const V x = Ops::load (lanes.input + i);
        const V k = Ops::load (lanes.clip + i);

        // Clip, blended in by k; left exactly alone at k <= 0.0001.
        const V clipDrive = clipDriveOf (k);
        const V clipCurve = normalisedTanhOf<Ops> (tanhRatioOf<Ops> (Ops::mul (clipDrive, v)), lanes.clipIsConstant ? constantClipBottom : tanhRatioOf<Ops> (clipDrive));
        const V clipped = Ops::fma (Ops::sub (clipCurve, v), k, v);
        v = Ops::select (Ops::greater (k, Ops::set (0.0001f)), clipped, v);

        // Output gain on the processed path, mix with the dry sample, then the power fade.
        const V y = Ops::fma (Ops::load (lanes.mix + i), Ops::sub (Ops::mul (v, Ops::load (lanes.outputGain + i)), x), x);
        const V out = Ops::fma (Ops::sub (y, x), Ops::load (lanes.power + i), x);
        Ops::store (lanes.output + i, out);

        inPeak = Ops::maxIgnoringNaN (Ops::abs (x), inPeak);
        outPeak = Ops::maxIgnoringNaN (Ops::abs (out), outPeak);
    }

    void finish (float& inputPeak, float& outputPeak) const noexcept
    {
        inputPeak = Ops::reduceMax (inPeak);
        outputPeak = Ops::reduceMax (outPeak);
    }

    ShaperLanes lanes;
    V modeGain, inPeak, outPeak;
    TanhRatio<Ops> constantClipBottom {};
};

template <typename Ops>
inline void shapeLanesWith (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept
{
    ShapeRun<Ops> run (lanes, inputPeak, outputPeak);
    if (lanes.count == Ops::width)
    {
        // One vector, as in the smallest blocks: nothing to overlap, so no trip through memory.
        run.bothPasses (0);
        run.finish (inputPeak, outputPeak);
        return;
    }
    for (int i = 0; i < lanes.count; i += Ops::width)
        run.firstPass (i);
    for (int i = 0; i < lanes.count; i += Ops::width)
        run.secondPass (i);
    run.finish (inputPeak, outputPeak);
}

/** One chunk's shaping for every channel, interleaved with the detector's run through the
    next chunk. The detector is a chain of dependent steps that leaves most of the CPU idle;
    the shaping is independent vector work; side by side in one instruction stream the CPU
    runs both at once. */
template <typename Ops, typename Ops4>
inline void shapeWhileDetectingWith (DetectorState& state, const FollowerCoefficients& k, const DetectorLanes& next, const ShaperLanes* lanes, int numChannels, float* inputPeaks, float* outputPeaks) noexcept
{
    if (next.count <= 0)
    {
        // The block's last chunk: nothing left to detect.
        for (int c = 0; c < numChannels; ++c)
            shapeLanesWith<Ops> (lanes[c], inputPeaks[c], outputPeaks[c]);
        return;
    }

    withDetectorVariant (next, [&] (auto focus, auto stereo) {
        alignas (16) float envelopes[4 * detectorKernelMaxCount];
        DetectorRun<Ops4, decltype (focus)::get, decltype (stereo)::get != 0> detector (state, k, next, envelopes);

        ShapeRun<Ops> first (lanes[0], inputPeaks[0], outputPeaks[0]);
        ShapeRun<Ops> second (lanes[numChannels > 1 ? 1 : 0], inputPeaks[1], outputPeaks[1]);
        const auto vectors = lanes[0].count / Ops::width;
        const auto shapingSteps = 2 * numChannels * vectors;
        const auto detectorStepsEach = shapingSteps > 0 ? (next.count + shapingSteps - 1) / shapingSteps : next.count;
        int detected = 0;
        const auto detectSome = [&] {
            for (int n = 0; n < detectorStepsEach && detected < next.count; ++n)
                detector.step (detected++);
        };

        const auto shapeAll = [&] (void (ShapeRun<Ops>::*pass) (int) noexcept) {
            for (int v = 0; v < vectors; ++v)
            {
                (first.*pass) (v * Ops::width);
                detectSome();
                if (numChannels > 1)
                {
                    (second.*pass) (v * Ops::width);
                    detectSome();
                }
            }
        };
        shapeAll (&ShapeRun<Ops>::firstPass);
        shapeAll (&ShapeRun<Ops>::secondPass);
        while (detected < next.count)
            detector.step (detected++);

        detector.finish (state);
        first.finish (inputPeaks[0], outputPeaks[0]);
        if (numChannels > 1)
            second.finish (inputPeaks[1], outputPeaks[1]);
    });
}
} // namespace

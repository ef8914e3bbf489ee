#pragma once

// The detector's serial half written once over a four-lane vector: the lanes hold the two
// channels' low and high band filters, then the two channels' fast and slow followers, so
// one chain of dependent operations per sample frame serves every filter and follower.
// Included by one translation unit per instruction set; like the shaping kernel it includes
// only plain data headers and uses no shared inline functions.

#include "engine/DetectorState.h"
#include "engine/ShaperKernel.h"

namespace
{
template <int value>
struct Constant
{
    static constexpr int get = value;
};

/** The detector's filters and followers held in vector registers while it steps through a
    chunk one sample frame at a time. */
template <typename Ops, int focus, bool stereo>
struct DetectorRun
{
    using V = typename Ops::V;

    DetectorRun (const DetectorState& state, const FollowerCoefficients& k, const DetectorLanes& lanesIn, float* interleavedEnvelopes) noexcept
        : lanes (lanesIn), envelopes (interleavedEnvelopes)
    {
        const auto& low0 = state.lowFocusFilters[0];
        const auto& high0 = state.highFocusFilters[0];
        const auto& low1 = state.lowFocusFilters[1];
        const auto& high1 = state.highFocusFilters[1];

        // Filter lanes: low 0, high 0, low 1, high 1.
        b0 = Ops::set4 (low0.b0, high0.b0, low1.b0, high1.b0);
        b1 = Ops::set4 (low0.b1, high0.b1, low1.b1, high1.b1);
        b2 = Ops::set4 (low0.b2, high0.b2, low1.b2, high1.b2);
        a1 = Ops::set4 (low0.a1, high0.a1, low1.a1, high1.a1);
        a2 = Ops::set4 (low0.a2, high0.a2, low1.a2, high1.a2);
        s0 = Ops::set4 (low0.s0, high0.s0, low1.s0, high1.s0);
        s1 = Ops::set4 (low0.s1, high0.s1, low1.s1, high1.s1);

        // Follower lanes: fast 0, slow 0, fast 1, slow 1.
        envelope = Ops::set4 (state.fastEnvelope[0], state.slowEnvelope[0], state.fastEnvelope[1], state.slowEnvelope[1]);
        attack = Ops::set4 (k.fastAttack, k.slowAttack, k.fastAttack, k.slowAttack);
        release = Ops::set4 (k.fastRelease, k.slowRelease, k.fastRelease, k.slowRelease);

        // Filters the focus does not use, and a missing second channel, keep their state.
        filterActive = Ops::mask4 (focus != 2, focus != 0, stereo && focus != 2, stereo && focus != 0);
        envelopeActive = Ops::mask4 (true, true, stereo, stereo);
        in0 = lanes.input[0];
        in1 = stereo ? lanes.input[1] : lanes.input[0];
    }

    inline void step (int i) noexcept
    {
        constexpr bool allActive = focus == 1 && stereo;
        const V x = Ops::keepFinite (Ops::set4 (in0[i], in0[i], in1[i], in1[i]));

        // Transposed direct form II in exactly the framework filter's order of operations, and
        // no fused multiply-adds: the detector reacts sharply to tiny differences in quiet
        // passages, so its filters and followers stay bit-identical to the plain formulas.
        const V y = Ops::add (Ops::mul (b0, x), s0);
        const V nextS0 = Ops::add (Ops::sub (Ops::mul (b1, x), Ops::mul (a1, y)), s1);
        const V nextS1 = Ops::sub (Ops::mul (b2, x), Ops::mul (a2, y));
        s0 = allActive ? nextS0 : Ops::select (filterActive, nextS0, s0);
        s1 = allActive ? nextS1 : Ops::select (filterActive, nextS1, s1);

        V detected;
        if constexpr (focus == 0)
            detected = Ops::evenLanes (y);
        else if constexpr (focus == 2)
            detected = Ops::oddLanes (y);
        else
            detected = Ops::add (Ops::add (Ops::mul (Ops::set (0.25f), Ops::oddLanes (y)), Ops::mul (Ops::set (0.2f), Ops::sub (x, Ops::evenLanes (y)))), Ops::mul (Ops::set (0.55f), x));

        const V rectified = Ops::abs (detected);
        const V coefficient = Ops::select (Ops::greater (rectified, envelope), attack, release);
        const V nextEnvelope = Ops::add (Ops::mul (Ops::sub (envelope, rectified), coefficient), rectified);
        envelope = stereo ? nextEnvelope : Ops::select (envelopeActive, nextEnvelope, envelope);
        Ops::store (envelopes + 4 * i, envelope);
    }

    /** Hands out the chunk's envelopes per channel and writes the state back. */
    void finish (DetectorState& state) noexcept
    {
        for (int i = 0; i < lanes.count; ++i)
        {
            lanes.fastEnvelope[0][i] = envelopes[4 * i];
            lanes.slowEnvelope[0][i] = envelopes[4 * i + 1];
        }
        if (stereo)
        {
            for (int i = 0; i < lanes.count; ++i)
            {
                lanes.fastEnvelope[1][i] = envelopes[4 * i + 2];
                lanes.slowEnvelope[1][i] = envelopes[4 * i + 3];
            }
        }

        alignas (16) float out[4];
        Ops::store (out, s0);
        state.lowFocusFilters[0].s0 = out[0];
        state.highFocusFilters[0].s0 = out[1];
        state.lowFocusFilters[1].s0 = out[2];
        state.highFocusFilters[1].s0 = out[3];
        Ops::store (out, s1);
        state.lowFocusFilters[0].s1 = out[0];
        state.highFocusFilters[0].s1 = out[1];
        state.lowFocusFilters[1].s1 = out[2];
        state.highFocusFilters[1].s1 = out[3];
        Ops::store (out, envelope);
        state.fastEnvelope[0] = out[0];
        state.slowEnvelope[0] = out[1];
        state.fastEnvelope[1] = out[2];
        state.slowEnvelope[1] = out[3];
    }

    const DetectorLanes& lanes;
    float* envelopes;
    const float* in0;
    const float* in1;
    V b0, b1, b2, a1, a2, s0, s1, envelope, attack, release, filterActive, envelopeActive;
};

/** Calls body.template run<focus, stereo>() for the chunk's focus and channel count. */
template <typename Body>
inline void withDetectorVariant (const DetectorLanes& lanes, Body&& body) noexcept
{
    const auto stereo = lanes.numChannels > 1;
    switch (lanes.focusIndex)
    {
        case 0: return stereo ? body (Constant<0>(), Constant<1>()) : body (Constant<0>(), Constant<0>());
        case 2: return stereo ? body (Constant<2>(), Constant<1>()) : body (Constant<2>(), Constant<0>());
        default: return stereo ? body (Constant<1>(), Constant<1>()) : body (Constant<1>(), Constant<0>());
    }
}

template <typename Ops>
inline void detectLanesWith (DetectorState& state, const FollowerCoefficients& k, const DetectorLanes& lanes) noexcept
{
    withDetectorVariant (lanes, [&] (auto focus, auto stereo) {
        alignas (16) float envelopes[4 * detectorKernelMaxCount];
        DetectorRun<Ops, decltype (focus)::get, decltype (stereo)::get != 0> run (state, k, lanes, envelopes);
        for (int i = 0; i < lanes.count; ++i)
            run.step (i);
        run.finish (state);
    });
}
} // namespace

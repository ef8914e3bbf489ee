// The SSE2 kernels: run on every x86-64 CPU.

#include "engine/ShaperKernel.h"

#if KRAVELL_X86_KERNELS

 #include <immintrin.h>

namespace
{
struct SseOps
{
    using V = __m128;
    using VI = __m128i;
    static constexpr int width = 4;
    static V set (float value) noexcept { return _mm_set1_ps (value); }
    static V load (const float* p) noexcept { return _mm_loadu_ps (p); }
    static void store (float* p, V v) noexcept { _mm_storeu_ps (p, v); }
    static V add (V a, V b) noexcept { return _mm_add_ps (a, b); }
    static V sub (V a, V b) noexcept { return _mm_sub_ps (a, b); }
    static V mul (V a, V b) noexcept { return _mm_mul_ps (a, b); }
    static V fma (V a, V b, V c) noexcept { return _mm_add_ps (_mm_mul_ps (a, b), c); }
    static V fnma (V a, V b, V c) noexcept { return _mm_sub_ps (c, _mm_mul_ps (a, b)); }
    static V set4 (float a, float b, float c, float d) noexcept { return _mm_setr_ps (a, b, c, d); }
    static V mask4 (bool a, bool b, bool c, bool d) noexcept { return _mm_castsi128_ps (_mm_setr_epi32 (a ? -1 : 0, b ? -1 : 0, c ? -1 : 0, d ? -1 : 0)); }
    static V keepFinite (V a) noexcept { return _mm_and_ps (a, _mm_cmple_ps (abs (a), _mm_set1_ps (3.40282347e+38f))); } // NaN and infinities become 0
    static V evenLanes (V a) noexcept { return _mm_shuffle_ps (a, a, _MM_SHUFFLE (2, 2, 0, 0)); }
    static V oddLanes (V a) noexcept { return _mm_shuffle_ps (a, a, _MM_SHUFFLE (3, 3, 1, 1)); }
    static V div (V a, V b) noexcept { return _mm_div_ps (a, b); }
    static V reciprocal (V a) noexcept
    {
        // The estimate (12 bits) and one Newton step: within two ulps, without the divider.
        const auto r = _mm_rcp_ps (a);
        return _mm_mul_ps (r, _mm_sub_ps (_mm_set1_ps (2.0f), _mm_mul_ps (a, r)));
    }
    static V max (V a, V b) noexcept { return _mm_max_ps (a, b); }
    static V min (V a, V b) noexcept { return _mm_min_ps (a, b); }
    static V abs (V a) noexcept { return _mm_andnot_ps (_mm_set1_ps (-0.0f), a); }
    static V greater (V a, V b) noexcept { return _mm_cmpgt_ps (a, b); }
    static V select (V mask, V a, V b) noexcept { return _mm_or_ps (_mm_and_ps (mask, a), _mm_andnot_ps (mask, b)); }
    static V maxIgnoringNaN (V candidate, V peak) noexcept { return _mm_max_ps (candidate, peak); } // NaN candidate: keeps peak
    static VI toInt (V a) noexcept { return _mm_cvtps_epi32 (a); } // to nearest, as the FPU rounds
    static V toFloat (VI a) noexcept { return _mm_cvtepi32_ps (a); }
    static V pow2 (VI n) noexcept { return _mm_castsi128_ps (_mm_slli_epi32 (_mm_add_epi32 (n, _mm_set1_epi32 (127)), 23)); }
    static float reduceMax (V a) noexcept
    {
        a = _mm_max_ps (a, _mm_movehl_ps (a, a));
        a = _mm_max_ps (a, _mm_shuffle_ps (a, a, 0x55));
        return _mm_cvtss_f32 (a);
    }
};
} // namespace

 #include "engine/DetectorKernelImpl.h"
 #include "engine/ShaperKernelImpl.h"

void detectSse2 (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& lanes) noexcept
{
    detectLanesWith<SseOps> (state, coefficients, lanes);
}

void shapeLanesSse2 (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept
{
    shapeLanesWith<SseOps> (lanes, inputPeak, outputPeak);
}

void shapeWhileDetectingSse2 (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& next, const ShaperLanes* lanes, int numChannels, float* inputPeaks, float* outputPeaks) noexcept
{
    shapeWhileDetectingWith<SseOps, SseOps> (state, coefficients, next, lanes, numChannels, inputPeaks, outputPeaks);
}

#endif

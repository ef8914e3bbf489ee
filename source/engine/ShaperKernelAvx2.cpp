// The AVX2 + FMA kernels. This file alone is compiled with AVX2 and FMA enabled, and
// everything in it has internal linkage, so no AVX2 code can stand in for a shared inline
// function; the dispatcher calls it only on CPUs that have both.

#include "engine/ShaperKernel.h"

#if KRAVELL_X86_KERNELS

 #include <immintrin.h>

namespace
{
struct Avx2Ops
{
    using V = __m256;
    using VI = __m256i;
    static constexpr int width = 8;
    static V set (float value) noexcept { return _mm256_set1_ps (value); }
    static V load (const float* p) noexcept { return _mm256_loadu_ps (p); }
    static void store (float* p, V v) noexcept { _mm256_storeu_ps (p, v); }
    static V add (V a, V b) noexcept { return _mm256_add_ps (a, b); }
    static V sub (V a, V b) noexcept { return _mm256_sub_ps (a, b); }
    static V mul (V a, V b) noexcept { return _mm256_mul_ps (a, b); }
    static V fma (V a, V b, V c) noexcept { return _mm256_fmadd_ps (a, b, c); }
    static V div (V a, V b) noexcept { return _mm256_div_ps (a, b); }
    static V reciprocal (V a) noexcept
    {
        // The estimate (12 bits) and one Newton step: within two ulps, without the divider.
        const auto r = _mm256_rcp_ps (a);
        return _mm256_mul_ps (r, _mm256_fnmadd_ps (a, r, _mm256_set1_ps (2.0f)));
    }
    static V max (V a, V b) noexcept { return _mm256_max_ps (a, b); }
    static V min (V a, V b) noexcept { return _mm256_min_ps (a, b); }
    static V abs (V a) noexcept { return _mm256_andnot_ps (_mm256_set1_ps (-0.0f), a); }
    static V greater (V a, V b) noexcept { return _mm256_cmp_ps (a, b, _CMP_GT_OQ); }
    static V select (V mask, V a, V b) noexcept { return _mm256_blendv_ps (b, a, mask); }
    static V maxIgnoringNaN (V candidate, V peak) noexcept { return _mm256_max_ps (candidate, peak); }
    static VI toInt (V a) noexcept { return _mm256_cvtps_epi32 (a); }
    static V toFloat (VI a) noexcept { return _mm256_cvtepi32_ps (a); }
    static V pow2 (VI n) noexcept { return _mm256_castsi256_ps (_mm256_slli_epi32 (_mm256_add_epi32 (n, _mm256_set1_epi32 (127)), 23)); }
    static float reduceMax (V a) noexcept
    {
        auto half = _mm_max_ps (_mm256_castps256_ps128 (a), _mm256_extractf128_ps (a, 1));
        half = _mm_max_ps (half, _mm_movehl_ps (half, half));
        half = _mm_max_ps (half, _mm_shuffle_ps (half, half, 0x55));
        return _mm_cvtss_f32 (half);
    }
};
/** Four lanes with FMA, for the detector. */
struct Fma4Ops
{
    using V = __m128;
    static V set (float value) noexcept { return _mm_set1_ps (value); }
    static void store (float* p, V v) noexcept { _mm_store_ps (p, v); }
    static V add (V a, V b) noexcept { return _mm_add_ps (a, b); }
    static V sub (V a, V b) noexcept { return _mm_sub_ps (a, b); }
    static V mul (V a, V b) noexcept { return _mm_mul_ps (a, b); }
    static V fma (V a, V b, V c) noexcept { return _mm_fmadd_ps (a, b, c); }
    static V fnma (V a, V b, V c) noexcept { return _mm_fnmadd_ps (a, b, c); }
    static V abs (V a) noexcept { return _mm_andnot_ps (_mm_set1_ps (-0.0f), a); }
    static V greater (V a, V b) noexcept { return _mm_cmp_ps (a, b, _CMP_GT_OQ); }
    static V select (V mask, V a, V b) noexcept { return _mm_blendv_ps (b, a, mask); }
    static V set4 (float a, float b, float c, float d) noexcept { return _mm_setr_ps (a, b, c, d); }
    static V mask4 (bool a, bool b, bool c, bool d) noexcept { return _mm_castsi128_ps (_mm_setr_epi32 (a ? -1 : 0, b ? -1 : 0, c ? -1 : 0, d ? -1 : 0)); }
    static V keepFinite (V a) noexcept { return _mm_and_ps (a, _mm_cmp_ps (abs (a), _mm_set1_ps (3.40282347e+38f), _CMP_LE_OQ)); }
    static V evenLanes (V a) noexcept { return _mm_permute_ps (a, _MM_SHUFFLE (2, 2, 0, 0)); }
    static V oddLanes (V a) noexcept { return _mm_permute_ps (a, _MM_SHUFFLE (3, 3, 1, 1)); }
};
} // namespace

 #include "engine/DetectorKernelImpl.h"
 #include "engine/ShaperKernelImpl.h"

void detectAvx2 (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& lanes) noexcept
{
    detectLanesWith<Fma4Ops> (state, coefficients, lanes);
}

void shapeLanesAvx2 (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept
{
    shapeLanesWith<Avx2Ops> (lanes, inputPeak, outputPeak);
}

void shapeWhileDetectingAvx2 (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& next, const ShaperLanes* lanes, int numChannels, float* inputPeaks, float* outputPeaks) noexcept
{
    shapeWhileDetectingWith<Avx2Ops, Fma4Ops> (state, coefficients, next, lanes, numChannels, inputPeaks, outputPeaks);
}

#endif

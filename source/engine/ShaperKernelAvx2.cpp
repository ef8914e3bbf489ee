// The AVX2 kernel on glibc's vector math library (libmvec). This file alone is compiled with
// AVX2 and FMA enabled, and everything in it has internal linkage, so no AVX2 code can stand
// in for a shared inline function; the dispatcher calls it only on CPUs that have both.

#include "engine/ShaperKernel.h"

#if KRAVELL_USE_LIBMVEC

 #include <immintrin.h>

extern "C"
{
    __m256 _ZGVdN8v_tanhf (__m256);
    __m256 _ZGVdN8v_exp10f (__m256);
}

namespace
{
struct Avx2Ops
{
    using V = __m256;
    static constexpr int width = 8;
    static V set (float value) noexcept { return _mm256_set1_ps (value); }
    static V load (const float* p) noexcept { return _mm256_loadu_ps (p); }
    static void store (float* p, V v) noexcept { _mm256_storeu_ps (p, v); }
    static V add (V a, V b) noexcept { return _mm256_add_ps (a, b); }
    static V sub (V a, V b) noexcept { return _mm256_sub_ps (a, b); }
    static V mul (V a, V b) noexcept { return _mm256_mul_ps (a, b); }
    static V div (V a, V b) noexcept { return _mm256_div_ps (a, b); }
    static V max (V a, V b) noexcept { return _mm256_max_ps (a, b); }
    static V min (V a, V b) noexcept { return _mm256_min_ps (a, b); }
    static V abs (V a) noexcept { return _mm256_andnot_ps (_mm256_set1_ps (-0.0f), a); }
    static V greater (V a, V b) noexcept { return _mm256_cmp_ps (a, b, _CMP_GT_OQ); }
    static V select (V mask, V a, V b) noexcept { return _mm256_blendv_ps (b, a, mask); }
    static V maxIgnoringNaN (V candidate, V peak) noexcept { return _mm256_max_ps (candidate, peak); }
    static V tanh (V a) noexcept { return _ZGVdN8v_tanhf (a); }
    static V exp10 (V a) noexcept { return _ZGVdN8v_exp10f (a); }
    static float reduceMax (V a) noexcept
    {
        auto half = _mm_max_ps (_mm256_castps256_ps128 (a), _mm256_extractf128_ps (a, 1));
        half = _mm_max_ps (half, _mm_movehl_ps (half, half));
        half = _mm_max_ps (half, _mm_shuffle_ps (half, half, 0x55));
        return _mm_cvtss_f32 (half);
    }
};
} // namespace

 #include "engine/ShaperKernelImpl.h"

void shapeLanesAvx2 (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept
{
    shapeLanesWith<Avx2Ops> (lanes, inputPeak, outputPeak);
}

#endif

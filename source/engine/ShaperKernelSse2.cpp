// The SSE2 kernel on glibc's vector math library (libmvec): runs on every x86-64 CPU.

#include "engine/ShaperKernel.h"

#if KRAVELL_USE_LIBMVEC

 #include <immintrin.h>

extern "C"
{
    __m128 _ZGVbN4v_tanhf (__m128);
    __m128 _ZGVbN4v_exp10f (__m128);
}

namespace
{
struct SseOps
{
    using V = __m128;
    static constexpr int width = 4;
    static V set (float value) noexcept { return _mm_set1_ps (value); }
    static V load (const float* p) noexcept { return _mm_loadu_ps (p); }
    static void store (float* p, V v) noexcept { _mm_storeu_ps (p, v); }
    static V add (V a, V b) noexcept { return _mm_add_ps (a, b); }
    static V sub (V a, V b) noexcept { return _mm_sub_ps (a, b); }
    static V mul (V a, V b) noexcept { return _mm_mul_ps (a, b); }
    static V div (V a, V b) noexcept { return _mm_div_ps (a, b); }
    static V max (V a, V b) noexcept { return _mm_max_ps (a, b); }
    static V min (V a, V b) noexcept { return _mm_min_ps (a, b); }
    static V abs (V a) noexcept { return _mm_andnot_ps (_mm_set1_ps (-0.0f), a); }
    static V greater (V a, V b) noexcept { return _mm_cmpgt_ps (a, b); }
    static V select (V mask, V a, V b) noexcept { return _mm_or_ps (_mm_and_ps (mask, a), _mm_andnot_ps (mask, b)); }
    static V maxIgnoringNaN (V candidate, V peak) noexcept { return _mm_max_ps (candidate, peak); } // NaN candidate: keeps peak
    static V tanh (V a) noexcept { return _ZGVbN4v_tanhf (a); }
    static V exp10 (V a) noexcept { return _ZGVbN4v_exp10f (a); }
    static float reduceMax (V a) noexcept
    {
        a = _mm_max_ps (a, _mm_movehl_ps (a, a));
        a = _mm_max_ps (a, _mm_shuffle_ps (a, a, 0x55));
        return _mm_cvtss_f32 (a);
    }
};
} // namespace

 #include "engine/ShaperKernelImpl.h"

void shapeLanesSse2 (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept
{
    shapeLanesWith<SseOps> (lanes, inputPeak, outputPeak);
}

#endif

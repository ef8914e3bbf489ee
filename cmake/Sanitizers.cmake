# Adds the sanitizer flags chosen by KRAVELL_SANITIZERS to a target (compile and link).
function (kravell_apply_sanitizers target)
    if (KRAVELL_SANITIZERS)
        target_compile_options (${target} PUBLIC -fsanitize=${KRAVELL_SANITIZERS} -fno-omit-frame-pointer -fno-sanitize-recover=all)
        target_link_options (${target} PUBLIC -fsanitize=${KRAVELL_SANITIZERS})
    endif ()
endfunction ()

# Adds the sanitizer flags chosen by KRAVELL_SANITIZERS to a target (compile and link).
function (kravell_apply_sanitizers target)
    if (KRAVELL_SANITIZERS)
        target_compile_options (${target} PUBLIC -fsanitize=${KRAVELL_SANITIZERS} -fno-omit-frame-pointer -fno-sanitize-recover=all)
        target_link_options (${target} PUBLIC -fsanitize=${KRAVELL_SANITIZERS})
        # Sanitized builds also report every framework assertion and leaked JUCE object;
        # the tests fail on either (see tests/CMakeLists.txt).
        target_compile_definitions (${target} PUBLIC JUCE_LOG_ASSERTIONS=1 JUCE_CHECK_MEMORY_LEAKS=1)
    endif ()
endfunction ()

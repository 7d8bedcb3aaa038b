# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build, every UB
# report fatal. Shared libraries then may keep undefined sanitizer symbols, so
# --no-undefined is used only in plain builds.
if(PK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    set(PK_NO_UNDEFINED_FLAG "")
else()
    set(PK_NO_UNDEFINED_FLAG "-Wl,--no-undefined")
endif()

# Fuzz builds instrument every target for coverage; only the fuzz binaries link libFuzzer.
if(PK_BUILD_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

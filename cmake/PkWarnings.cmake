# Warning flags live in an interface target that every project target links
# PRIVATE, so they never leak into a host's build through the exported targets.
add_library(pk_warnings INTERFACE)
target_compile_options(pk_warnings INTERFACE
    -Wall -Wextra -Wshadow -Wnon-virtual-dtor -ffp-contract=off
    $<$<BOOL:${PK_WERROR}>:-Werror>)

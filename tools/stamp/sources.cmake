# The stamping tool's sources, shared by the host build and the host compile that the Windows
# build runs to stamp its setup executables.
get_filename_component(ORVEX_STAMP_ROOT "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(ORVEX_STAMP_SOURCES
    ${ORVEX_STAMP_ROOT}/tag/tag_format.cpp
    ${ORVEX_STAMP_ROOT}/tools/stamp/stamping.cpp
    ${ORVEX_STAMP_ROOT}/tools/stamp/main.cpp)
set(ORVEX_STAMP_HEADERS
    ${ORVEX_STAMP_ROOT}/tag/tag_format.h
    ${ORVEX_STAMP_ROOT}/tools/stamp/stamping.h)

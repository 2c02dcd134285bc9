# The stamping tool's sources, shared by the host build and the host compile that the Windows
# build runs to stamp its setup executables and write their deployment metadata. It includes the
# outcome table (base/outcome.h) and the switch names (app/options.h) for their constants only,
# and the listing generated from cmake/product.cmake (tools/stamp/product_listing.h in the
# build's generated folder).
get_filename_component(ORVEX_STAMP_ROOT "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(ORVEX_STAMP_SOURCES
    ${ORVEX_STAMP_ROOT}/tag/tag_format.cpp
    ${ORVEX_STAMP_ROOT}/tools/stamp/stamping.cpp
    ${ORVEX_STAMP_ROOT}/tools/stamp/files.cpp
    ${ORVEX_STAMP_ROOT}/tools/stamp/sha256.cpp
    ${ORVEX_STAMP_ROOT}/tools/stamp/pe_resources.cpp
    ${ORVEX_STAMP_ROOT}/tools/stamp/deployment_metadata.cpp
    ${ORVEX_STAMP_ROOT}/tools/stamp/deployment.cpp
    ${ORVEX_STAMP_ROOT}/tools/stamp/main.cpp)
set(ORVEX_STAMP_HEADERS
    ${ORVEX_STAMP_ROOT}/tag/tag_format.h
    ${ORVEX_STAMP_ROOT}/base/outcome.h
    ${ORVEX_STAMP_ROOT}/base/installer_results.h
    ${ORVEX_STAMP_ROOT}/tools/stamp/stamping.h
    ${ORVEX_STAMP_ROOT}/tools/stamp/files.h
    ${ORVEX_STAMP_ROOT}/tools/stamp/sha256.h
    ${ORVEX_STAMP_ROOT}/tools/stamp/pe_resources.h
    ${ORVEX_STAMP_ROOT}/tools/stamp/deployment_metadata.h
    ${ORVEX_STAMP_ROOT}/tools/stamp/deployment.h
    ${ORVEX_STAMP_ROOT}/app/options.h)

# The product's facts, written here once. Everything else takes them from here: the C++ build
# from the generated header base/product_data.h, the packages from wixl variables, the version
# block and the manifest from a generated resource header, and the Wine scenarios,
# packages/check_packages.sh and tools/main-job.sh from the generated shell file product.env in
# the build folder.
include_guard(GLOBAL)

set(ORVEX_PRODUCT_VERSION 10.0.3000.101)
# The product's code word: the registry key of the installation identifier and the product named
# in the help links (lower case there).
set(ORVEX_PRODUCT_CODE_WORD QZV2011)
# The Windows Installer product code of this product line (the main package).
set(ORVEX_INSTALLER_PRODUCT_CODE "{24036256-BFDB-4CD3-BE8A-A3D6160F2E16}")
# The file name, without ".msi", under which the setup writes the main package before installing it.
set(ORVEX_MAIN_PACKAGE_FILE_BASE_NAME "{D3742F82-1C1A-4DCC-ABBD-0E831C0185CC}")
# The product code of the earlier edition, the last code the installed-version detection tries.
set(ORVEX_EARLIER_EDITION_PRODUCT_CODE "{D3742F82-1C1A-4DCC-ABBD-0E7C3C0185CC}")
# The affiliate tag of a distribution without one of its own: the build stamps it behind the
# signature, and the setup uses its properties when it finds no tag.
set(ORVEX_DEFAULT_AFFILIATE_TAG "AFFILIATEID=qzv2011aid30017xx-XX&AFFILIATEIDFLAGS=.0")
# The languages, one row each, in the order of the setup's language index (it must not change):
#   code | display name in the language list | product code of its language pack |
#   Windows language id of the pack | resource id of its flag bitmap | its texts
# The flag is drawn by tools/draw_dialog_bitmaps.py under the code's country in lower case
# ("dk" for da-DK); the texts are the row of i18n/language_texts.cpp with that name.
set(ORVEX_LANGUAGES
  "da-DK|Dansk|{5D4C60AA-84E6-4E1A-8A68-69970D387BE1}|1030|205|kDanish"
  "de-DE|Deutsch|{23BE4DF2-293D-4077-82F4-1FD8C269277C}|1031|207|kGerman"
  "en-GB|English|{B08D3D14-098C-4A95-A2BE-A114E36C3A88}|2057|215|kEnglish"
  "en-US|English|{E7C0E7E9-B404-4A98-A8D1-FEFB9482866E}|1033|216|kEnglish"
  "es-ES|Español|{33899F97-411C-4759-BDAA-26ECAE715B9C}|3082|214|kSpanish"
  "fr-FR|Français|{C5FADA70-CD78-48A5-9ABE-A123F19C2104}|1036|206|kFrench"
  "it-IT|Italiano|{7DFC1BD7-9AA1-4191-8C7B-ACD95B127BC5}|1040|208|kItalian"
  "ja-JP|日本語|{DD070C1A-30D4-4344-8F67-986468D0A65E}|1041|209|kJapanese"
  "ko-KR|한국어|{776CF9B2-D039-4323-AC64-ED473F2EEC09}|1042|210|kKorean"
  "nl-NL|Nederlands|{61C4D633-4933-4EDF-929A-45D1ED8C66B1}|1043|211|kDutch"
  "pl-PL|Polski|{DF5EB186-9913-4996-8B48-62E156340F39}|1045|212|kPolish"
  "pt-BR|Português|{E7A8DD52-B444-4C29-A1E6-F5270D852FB0}|1046|203|kPortugueseBrazil"
  "ru-RU|Русский|{1C4BB253-560B-4DA7-9081-8B54BE2C48CF}|1049|213|kRussian"
  "zh-CN|中文|{E7CE8ABF-8021-447C-9FC9-E402F316B038}|2052|204|kChinese")

# How deployment tools (winget, Intune, Configuration Manager) list the product. The home page is
# ORVEX_LINK_BASE followed by ORVEX_HOME_PAGE_PATH; the download address of the shipped executable
# is the release engineer's (ORVEX_DOWNLOAD_URL, cmake/signing.cmake).
set(ORVEX_PUBLISHER "Orvex")
set(ORVEX_PACKAGE_IDENTIFIER "Orvex.Utilities2011")
set(ORVEX_PRODUCT_NAME "Orvex Utilities 2011")
set(ORVEX_SHORT_DESCRIPTION "Desktop utilities for Windows, in 14 languages.")
set(ORVEX_LICENSE "Proprietary")
set(ORVEX_HOME_PAGE_PATH "/link/?target=home")
foreach(fact IN ITEMS ORVEX_PUBLISHER ORVEX_PACKAGE_IDENTIFIER ORVEX_PRODUCT_NAME ORVEX_SHORT_DESCRIPTION
                      ORVEX_LICENSE ORVEX_HOME_PAGE_PATH)
  if("${${fact}}" STREQUAL "" OR "${${fact}}" MATCHES "[\"\\]")
    message(FATAL_ERROR "cmake/product.cmake: ${fact} must be a text without quotes and backslashes")
  endif()
endforeach()
if(NOT ORVEX_PACKAGE_IDENTIFIER MATCHES "^[A-Za-z0-9]+(\\.[A-Za-z0-9]+)+$")
  message(FATAL_ERROR "cmake/product.cmake: \"${ORVEX_PACKAGE_IDENTIFIER}\" is no package identifier such as Publisher.Product")
endif()

# The installer properties an affiliate tag may set; a tag naming any other is ignored (and the
# stamping tool refuses it). The tag lies outside what the signature covers, this list inside.
set(ORVEX_AFFILIATE_TAG_PROPERTIES AFFILIATEID AFFILIATEIDFLAGS)
foreach(name IN LISTS ORVEX_AFFILIATE_TAG_PROPERTIES)
  if(NOT name MATCHES "^[A-Z][A-Z0-9_]*$")
    message(FATAL_ERROR "cmake/product.cmake: \"${name}\" is no installer property name")
  endif()
endforeach()

# What follows is derived from the facts above.

set(ORVEX_LANGUAGE_CODES)
set(ORVEX_LANGUAGE_PACK_PRODUCT_CODES)
set(ORVEX_LANGUAGE_FLAGS)
set(ORVEX_LANGUAGE_FLAG_BITMAP_IDS)
foreach(entry IN LISTS ORVEX_LANGUAGES)
  string(REPLACE "|" ";" fields "${entry}")
  list(LENGTH fields field_count)
  if(NOT field_count EQUAL 6)
    message(FATAL_ERROR "cmake/product.cmake: the language row \"${entry}\" needs six fields")
  endif()
  list(GET fields 0 code)
  list(GET fields 1 display_name)
  list(GET fields 2 product_code)
  list(GET fields 3 windows_language)
  list(GET fields 4 flag_bitmap)
  list(GET fields 5 texts)
  # The setup keeps a code in five characters and compares it as written.
  if(NOT code MATCHES "^[a-z][a-z]-[A-Z][A-Z]$")
    message(FATAL_ERROR "cmake/product.cmake: \"${code}\" is no language code such as en-US")
  endif()
  if(code IN_LIST ORVEX_LANGUAGE_CODES)
    message(FATAL_ERROR "cmake/product.cmake: the language ${code} has two rows")
  endif()
  if(display_name STREQUAL "" OR display_name MATCHES "\""
     OR NOT product_code MATCHES "^{[0-9A-F]+(-[0-9A-F]+)+}$"
     OR NOT windows_language MATCHES "^[0-9]+$" OR NOT texts MATCHES "^k[A-Za-z0-9]+$")
    message(FATAL_ERROR "cmake/product.cmake: the row of ${code} is not code|name|{PRODUCT-CODE}|"
                        "language id|bitmap id|kTexts")
  endif()
  # 202 and 222 are the dialog's picture and the notice icon.
  if(NOT flag_bitmap MATCHES "^[1-9][0-9]*$" OR flag_bitmap IN_LIST ORVEX_LANGUAGE_FLAG_BITMAP_IDS
     OR flag_bitmap EQUAL 202 OR flag_bitmap EQUAL 222 OR flag_bitmap GREATER 32767)
    message(FATAL_ERROR "cmake/product.cmake: the flag bitmap id ${flag_bitmap} of ${code} is "
                        "taken or out of range (an unused id up to 32767 other than 202 and 222)")
  endif()
  string(SUBSTRING "${code}" 3 2 country)
  string(TOLOWER "${country}" flag)
  list(APPEND ORVEX_LANGUAGE_CODES "${code}")
  list(APPEND ORVEX_LANGUAGE_PACK_PRODUCT_CODES "${product_code}")
  list(APPEND ORVEX_LANGUAGE_FLAGS "${flag}")
  list(APPEND ORVEX_LANGUAGE_FLAG_BITMAP_IDS "${flag_bitmap}")
  set(ORVEX_LANGUAGE_${code}_PACK_PRODUCT_CODE "${product_code}")
  set(ORVEX_LANGUAGE_${code}_WINDOWS_LANGUAGE "${windows_language}")
endforeach()
list(LENGTH ORVEX_LANGUAGES ORVEX_LANGUAGE_COUNT)
list(REMOVE_DUPLICATES ORVEX_LANGUAGE_FLAGS)

# Versions of the product line next to the product's own, for the tests of the installed-version
# decisions (packages/ builds earlier and later editions of them): one revision before and after,
# and the next minor version.
string(REPLACE "." ";" version_parts "${ORVEX_PRODUCT_VERSION}")
list(GET version_parts 0 major)
list(GET version_parts 1 minor)
list(GET version_parts 2 build)
list(GET version_parts 3 revision)
math(EXPR packed "((${major} * 65536 + ${minor}) * 65536 + ${build}) * 65536 + ${revision}")
foreach(name_delta IN ITEMS "PREVIOUS_PRODUCT_VERSION|-1" "NEXT_PRODUCT_VERSION|1"
                            "NEXT_MINOR_VERSION|${packed} / 4294967296 * 4294967296 + 4294967296 - ${packed}")
  string(REPLACE "|" ";" name_delta "${name_delta}")
  list(GET name_delta 0 name)
  list(GET name_delta 1 delta)
  math(EXPR value "${packed} + (${delta})")
  set(text)
  foreach(shift 48 32 16 0)
    math(EXPR part "(${value} >> ${shift}) & 65535")
    list(APPEND text ${part})
  endforeach()
  list(JOIN text "." ORVEX_${name})
endforeach()
unset(version_parts)
foreach(local major minor build revision packed name_delta name delta value text part)
  unset(${local})
endforeach()

# orvex_write_product_data(<include-dir> <env-file>): writes the facts as the C++ header
# <include-dir>/base/product_data.h, the resource header <include-dir>/resources/product_version.h,
# the resource script <include-dir>/resources/language_flags.rc and the bash file <env-file>.
# Files whose content stays the same are left untouched.
function(orvex_write_product_data include_dir env_file)
  string(REPLACE "." ";" version_parts "${ORVEX_PRODUCT_VERSION}")
  list(GET version_parts 0 version_major)
  list(GET version_parts 1 version_minor)
  list(GET version_parts 2 version_build)
  list(GET version_parts 3 version_revision)

  set(cxx_codes)
  set(cxx_pack_codes)
  set(cxx_names)
  set(cxx_bitmaps)
  set(cxx_texts)
  set(rc_flags)
  set(shell_pack_codes)
  foreach(entry IN LISTS ORVEX_LANGUAGES)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 code)
    list(GET fields 1 display_name)
    list(GET fields 2 product_code)
    list(GET fields 4 flag_bitmap)
    list(GET fields 5 texts)
    string(SUBSTRING "${code}" 3 2 country)
    string(TOLOWER "${country}" flag)
    string(APPEND cxx_codes "    u\"${code}\",\n")
    string(APPEND cxx_pack_codes "    u\"${product_code}\",\n")
    string(APPEND cxx_names "    u\"${display_name}\",\n")
    string(APPEND cxx_bitmaps "    ${flag_bitmap},\n")
    string(APPEND cxx_texts " \\\n    &${texts},")
    string(APPEND rc_flags "${flag_bitmap} BITMAP \"flag_${flag}.bmp\"  // ${code}\n")
    string(APPEND shell_pack_codes " [${code}]='${product_code}'")
  endforeach()
  list(JOIN ORVEX_LANGUAGE_CODES " " shell_codes)
  list(JOIN ORVEX_LANGUAGE_FLAG_BITMAP_IDS " " shell_flag_bitmaps)
  list(JOIN ORVEX_AFFILIATE_TAG_PROPERTIES "\", \"" cxx_tag_properties)
  # The tag as installer properties: "&" separates them, "." stands for "#".
  string(REPLACE "&" " " default_affiliate_properties "${ORVEX_DEFAULT_AFFILIATE_TAG}")
  string(REPLACE "." "#" default_affiliate_properties "${default_affiliate_properties}")

  file(CONFIGURE OUTPUT "${include_dir}/base/product_data.h" @ONLY CONTENT [=[
// Generated by CMake from cmake/product.cmake, where the facts are written; do not edit.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr char16_t kInstallerProductCode[] = u"@ORVEX_INSTALLER_PRODUCT_CODE@";
inline constexpr char16_t kProductVersion[] = u"@ORVEX_PRODUCT_VERSION@";
inline constexpr char16_t kProductCode[] = u"@ORVEX_PRODUCT_CODE_WORD@";
// The version as two packed words: major and minor, then build and revision.
inline constexpr std::uint32_t kProductVersionHigh = (@version_major@u << 16) | @version_minor@u;
inline constexpr std::uint32_t kProductVersionLow = (@version_build@u << 16) | @version_revision@u;
inline constexpr char16_t kMainPackageFileBaseName[] = u"@ORVEX_MAIN_PACKAGE_FILE_BASE_NAME@";
inline constexpr char16_t kEarlierEditionProductCode[] = u"@ORVEX_EARLIER_EDITION_PRODUCT_CODE@";
inline constexpr char kDefaultAffiliateTag[] = "@ORVEX_DEFAULT_AFFILIATE_TAG@";
// The installer properties an affiliate tag may set.
inline constexpr const char* kAffiliateTagProperties[] = {"@cxx_tag_properties@"};

inline constexpr std::size_t kLanguageCount = @ORVEX_LANGUAGE_COUNT@;
// The language codes by language index.
inline constexpr std::array<const char16_t*, kLanguageCount> kLanguageCodes = {
@cxx_codes@};
// The product codes of the language-pack packages, by language index.
inline constexpr std::array<const char16_t*, kLanguageCount> kLanguagePackProductCodes = {
@cxx_pack_codes@};
// Each language's name in its own language, by language index.
inline constexpr std::array<const char16_t*, kLanguageCount> kLanguageDisplayNames = {
@cxx_names@};
// The resource ids of the languages' flag bitmaps, by language index.
inline constexpr std::array<std::uint32_t, kLanguageCount> kLanguageFlagBitmapIds = {
@cxx_bitmaps@};
// The rows of i18n/language_texts.cpp that hold each language's texts, by language index.
#define ORVEX_LANGUAGE_TEXT_ROWS @cxx_texts@
]=])

  # The listing for deployment tools, for the stamping tool, which writes the metadata.
  set(home_page "${ORVEX_LINK_BASE}${ORVEX_HOME_PAGE_PATH}")
  file(CONFIGURE OUTPUT "${include_dir}/tools/stamp/product_listing.h" @ONLY CONTENT [=[
// Generated by CMake from cmake/product.cmake, where the facts are written; do not edit.
#pragma once

inline constexpr char kListingPublisher[] = "@ORVEX_PUBLISHER@";
inline constexpr char kListingPackageIdentifier[] = "@ORVEX_PACKAGE_IDENTIFIER@";
inline constexpr char kListingProductName[] = "@ORVEX_PRODUCT_NAME@";
inline constexpr char kListingShortDescription[] = "@ORVEX_SHORT_DESCRIPTION@";
inline constexpr char kListingLicense[] = "@ORVEX_LICENSE@";
inline constexpr char kListingHomePage[] = "@home_page@";
]=])

  file(CONFIGURE OUTPUT "${include_dir}/resources/product_version.h" @ONLY CONTENT [=[
// Generated by CMake from cmake/product.cmake, where the facts are written; do not edit.
#define ORVEX_VERSION_WORDS @version_major@,@version_minor@,@version_build@,@version_revision@
#define ORVEX_VERSION_TEXT "@ORVEX_PRODUCT_VERSION@"
]=])

  file(CONFIGURE OUTPUT "${include_dir}/resources/language_flags.rc" @ONLY CONTENT [=[
// Generated by CMake from cmake/product.cmake, where the facts are written; do not edit.
// The flags of the language list (16 x 14, 24 bits), one per language.
@rc_flags@]=])

  file(CONFIGURE OUTPUT "${env_file}" @ONLY CONTENT [=[
# Generated by CMake from cmake/product.cmake, where the facts are written; do not edit.
# Sourced by bash scripts.
ORVEX_PRODUCT_VERSION='@ORVEX_PRODUCT_VERSION@'
ORVEX_PRODUCT_CODE_WORD='@ORVEX_PRODUCT_CODE_WORD@'
# For the tests: versions next to the product's own.
ORVEX_PREVIOUS_PRODUCT_VERSION='@ORVEX_PREVIOUS_PRODUCT_VERSION@'
ORVEX_NEXT_PRODUCT_VERSION='@ORVEX_NEXT_PRODUCT_VERSION@'
ORVEX_NEXT_MINOR_VERSION='@ORVEX_NEXT_MINOR_VERSION@'
ORVEX_INSTALLER_PRODUCT_CODE='@ORVEX_INSTALLER_PRODUCT_CODE@'
ORVEX_MAIN_PACKAGE_FILE='@ORVEX_MAIN_PACKAGE_FILE_BASE_NAME@.msi'
ORVEX_EARLIER_EDITION_PRODUCT_CODE='@ORVEX_EARLIER_EDITION_PRODUCT_CODE@'
ORVEX_DEFAULT_AFFILIATE_TAG='@ORVEX_DEFAULT_AFFILIATE_TAG@'
ORVEX_DEFAULT_AFFILIATE_PROPERTIES='@default_affiliate_properties@'
# By language index.
ORVEX_LANGUAGE_CODES=(@shell_codes@)
ORVEX_LANGUAGE_FLAG_BITMAP_IDS=(@shell_flag_bitmaps@)
declare -gA ORVEX_LANGUAGE_PACK_PRODUCT_CODES=(@shell_pack_codes@ )
]=])
endfunction()

#pragma once
#include <array>
#include <cstdint>

// The product this setup installs.
inline constexpr char16_t kInstallerProductCode[] = u"{24036256-BFDB-4CD3-BE8A-A3D6160F2E16}";
inline constexpr char16_t kProductCode[] = u"QZV2011";
inline constexpr char16_t kProductVersion[] = u"10.0.3000.101";
inline constexpr char16_t kProductName[] = u"Orvex Utilities";

// 10.0.3000.101 as two packed words: major and minor, then build and revision.
inline constexpr std::uint32_t kProductVersionHigh = (10u << 16) | 0u;
inline constexpr std::uint32_t kProductVersionLow = (3000u << 16) | 101u;

// Product codes of the language-pack packages, one per row of the language table.
inline constexpr std::array<const char16_t*, 14> kLanguagePackProductCodes = {
    u"{5D4C60AA-84E6-4E1A-8A68-69970D387BE1}", u"{23BE4DF2-293D-4077-82F4-1FD8C269277C}",
    u"{B08D3D14-098C-4A95-A2BE-A114E36C3A88}", u"{E7C0E7E9-B404-4A98-A8D1-FEFB9482866E}",
    u"{33899F97-411C-4759-BDAA-26ECAE715B9C}", u"{C5FADA70-CD78-48A5-9ABE-A123F19C2104}",
    u"{7DFC1BD7-9AA1-4191-8C7B-ACD95B127BC5}", u"{DD070C1A-30D4-4344-8F67-986468D0A65E}",
    u"{776CF9B2-D039-4323-AC64-ED473F2EEC09}", u"{61C4D633-4933-4EDF-929A-45D1ED8C66B1}",
    u"{DF5EB186-9913-4996-8B48-62E156340F39}", u"{E7A8DD52-B444-4C29-A1E6-F5270D852FB0}",
    u"{1C4BB253-560B-4DA7-9081-8B54BE2C48CF}", u"{E7CE8ABF-8021-447C-9FC9-E402F316B038}",
};

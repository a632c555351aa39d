#pragma once
// The product's fixed addresses on the web and by mail, in Windows-1252 bytes (all ASCII).

inline constexpr const char* g_szHomePageUrl = "https://www.velmora.example/quorail/";
inline constexpr const char* g_szHomeHost = "www.velmora.example";
inline constexpr const char* g_szContactMailUrl = "mailto:quorail@velmora.example";
inline constexpr const char* g_szHelpPageUrl = "https://www.velmora.example/quorail/hilfe/";

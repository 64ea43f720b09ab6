#pragma once

namespace lumicap {

// The product's own texts, defined once.
constexpr const char *productWebSite = "https://lumicap.example/";
constexpr const char *authorLine = "Written by the Lumicap developers";
constexpr const char *copyrightLine = "Copyright (C) 2026 Kestrovia";
constexpr const char *rightsLine = "All rights reserved.";

} // namespace lumicap

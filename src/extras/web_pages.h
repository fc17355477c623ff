// The maker's web pages behind the buttons "下载鹭行" and "提 交 建 议".
//
// A distributor sets the real sites here, or at build time without touching
// the source: -DVUV_DOWNLOAD_PAGE=L"http://..." -DVUV_FEEDBACK_PAGE=L"http://...".
// Only the page paths are fixed: "xzlxbw.html" at the root of the download
// site and the forum thread "thread-224731-1-1.html" at the root of the other.
#pragma once

namespace vuv::web {

#ifdef VUV_DOWNLOAD_PAGE
inline constexpr const wchar_t* kDownloadPage = VUV_DOWNLOAD_PAGE;
#else
inline constexpr const wchar_t* kDownloadPage = L"http://www.example.com/xzlxbw.html";
#endif

#ifdef VUV_FEEDBACK_PAGE
inline constexpr const wchar_t* kFeedbackPage = VUV_FEEDBACK_PAGE;
#else
inline constexpr const wchar_t* kFeedbackPage = L"http://www.example.org/thread-224731-1-1.html";
#endif

}  // namespace vuv::web

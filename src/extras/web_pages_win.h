// Opening the maker's web pages in the user's default web browser.
#pragma once

namespace vuv::win {

// Hands the address to the shell ("open", SW_SHOWNORMAL) and returns at once;
// a page the shell cannot open is not reported.
void openWebPage(const wchar_t* address);

}  // namespace vuv::win

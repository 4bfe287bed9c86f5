// The installed-updates decision's console lines, for whoever tells its
// outcomes apart by what was printed.
#pragma once

inline constexpr wchar_t kStatusAlreadyApplied[] =
    L"Patch update status: This patch update has been already applied.";
inline constexpr wchar_t kStatusNotApplicable[] =
    L"Patch update status: This patch is not applicable "
    L"or not required for the installed quenvia application.";

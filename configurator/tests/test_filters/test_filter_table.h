// The filters and pages of ConfiguratorTestFilters.dll, shared by the DLL
// and the tests that register them into the codec category. Filter class
// ids sort in table order, so the category lists them in that order.
#pragma once

#include <windows.h>

namespace configurator_test {

enum PageId { kShortPage, kTallPage, kMiddlePage, kDeadPage, kStubbornPage, kHugePage, kEagerPage, kPageCount };

struct PageKind {
  CLSID clsid;
  const wchar_t* title;
  int width;
  int height;
  bool dirty;        // reports itself dirty from the start
  HRESULT activate;  // what Activate answers (no window on failure)
  HRESULT apply;     // what Apply answers
};

inline const PageKind kPages[kPageCount] = {
    {{0x6b1e5c00, 0x204d, 0x497d, {0xac, 0xfd, 0x89, 0x52, 0xab, 0x94, 0x4b, 0x00}}, L"Short", 220, 100, true, S_OK,
     S_OK},
    {{0x6b1e5c01, 0x204d, 0x497d, {0xac, 0xfd, 0x89, 0x52, 0xab, 0x94, 0x4b, 0x01}}, L"Tall", 240, 130, false, S_OK,
     S_OK},
    {{0x6b1e5c02, 0x204d, 0x497d, {0xac, 0xfd, 0x89, 0x52, 0xab, 0x94, 0x4b, 0x02}}, L"Middle", 200, 110, false, S_OK,
     S_OK},
    {{0x6b1e5c03, 0x204d, 0x497d, {0xac, 0xfd, 0x89, 0x52, 0xab, 0x94, 0x4b, 0x03}}, L"Broken", 200, 100, false,
     E_FAIL, S_OK},
    {{0x6b1e5c04, 0x204d, 0x497d, {0xac, 0xfd, 0x89, 0x52, 0xab, 0x94, 0x4b, 0x04}}, L"Stubborn", 200, 100, true, S_OK,
     E_FAIL},
    {{0x6b1e5c05, 0x204d, 0x497d, {0xac, 0xfd, 0x89, 0x52, 0xab, 0x94, 0x4b, 0x05}}, L"Huge", 300, 5000, false, S_OK,
     S_OK},
    {{0x6b1e5c06, 0x204d, 0x497d, {0xac, 0xfd, 0x89, 0x52, 0xab, 0x94, 0x4b, 0x06}}, L"Eager", 200, 100, true, S_OK,
     S_OK},
};

// A page class id nobody serves.
inline const CLSID kMissingPage = {0x6b1e5cff, 0x204d, 0x497d, {0xac, 0xfd, 0x89, 0x52, 0xab, 0x94, 0x4b, 0xff}};

enum FilterId {
  kTallPair,       // Short (100) and Tall (130)
  kShortPair,      // Short (100) and Middle (110)
  kNoPages,        // no ISpecifyPropertyPages
  kPagesFail,      // GetPages fails
  kDeadFirst,      // Broken, then Middle
  kOnlyDead,       // Broken only
  kNoCreatable,    // one page class nobody serves
  kApplyFails,     // Stubborn
  kHuge,           // Huge
  kEager,          // Eager
  kFilterCount
};

constexpr int kNoPage = -1;
constexpr int kMissing = -2;

struct FilterKind {
  CLSID clsid;
  const wchar_t* name;  // its friendly name in the category
  const char* tag;      // its name in the page log
  bool hasPages;
  HRESULT getPages;
  int pages[2];  // PageId, kMissing or kNoPage
};

#define CONFIGURATOR_TEST_FILTER_CLSID(n) \
  { 0x5a000000 + (n), 0x7c31, 0x4e0b, {0x8d, 0x2a, 0x51, 0x6f, 0x90, 0x3c, 0x1e, (n)} }

inline const FilterKind kFilters[kFilterCount] = {
    {CONFIGURATOR_TEST_FILTER_CLSID(0), L"Test Tall Pair", "TallPair", true, S_OK, {kShortPage, kTallPage}},
    {CONFIGURATOR_TEST_FILTER_CLSID(1), L"Test Short Pair", "ShortPair", true, S_OK, {kShortPage, kMiddlePage}},
    {CONFIGURATOR_TEST_FILTER_CLSID(2), L"Test No Pages", "NoPages", false, S_OK, {kNoPage, kNoPage}},
    {CONFIGURATOR_TEST_FILTER_CLSID(3), L"Test Pages Fail", "PagesFail", true, E_FAIL, {kShortPage, kNoPage}},
    {CONFIGURATOR_TEST_FILTER_CLSID(4), L"Test Dead First", "DeadFirst", true, S_OK, {kDeadPage, kMiddlePage}},
    {CONFIGURATOR_TEST_FILTER_CLSID(5), L"Test Only Dead", "OnlyDead", true, S_OK, {kDeadPage, kNoPage}},
    {CONFIGURATOR_TEST_FILTER_CLSID(6), L"Test No Creatable Page", "NoCreatable", true, S_OK, {kMissing, kNoPage}},
    {CONFIGURATOR_TEST_FILTER_CLSID(7), L"Test Apply Fails", "ApplyFails", true, S_OK, {kStubbornPage, kNoPage}},
    {CONFIGURATOR_TEST_FILTER_CLSID(8), L"Test Huge Page", "Huge", true, S_OK, {kHugePage, kNoPage}},
    {CONFIGURATOR_TEST_FILTER_CLSID(9), L"Test Eager", "Eager", true, S_OK, {kEagerPage, kNoPage}},
};

// A filter class id listed in the category that no server provides.
inline const CLSID kUnboundFilter = CONFIGURATOR_TEST_FILTER_CLSID(0x7f);

// The environment variable naming the file the pages append their log to.
inline const wchar_t kLogVariable[] = L"CONFIGURATOR_TEST_LOG";

// The page dialog's controls.
constexpr int kPageDialog = 100;
constexpr int kPageEdit = 1000;
constexpr int kPageChangedBox = 1001;

}  // namespace configurator_test

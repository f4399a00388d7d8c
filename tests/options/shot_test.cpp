#include <gtest/gtest.h>
#include <memory>
#include "recorder/dialogs/OptionSheet.h"
#include "tests/options/SheetDriver.h"
#include "tests/support/Tone.h"
using namespace velto;
using namespace velto::test;
TEST(Shot, Pages) {
  auto s = std::make_unique<COptionSheet>(GetModuleHandleW(nullptr), nullptr);
  COptionSheet* p = s.get();
  SheetThread t([p] { return p->DoModal(nullptr); });
  HWND w = t.WaitForWindow(L"옵션 및 정보");
  for (int i = 0; i < 3; ++i) {
    ShowTab(w, i);
    ::Sleep(500);
    RunUnixShell("xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- /tmp/probe/page" + std::to_string(i) + ".png");
  }
  ::PostMessageW(w, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  t.WaitForEnd();
}

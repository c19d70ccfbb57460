#include <QApplication>
#include <cstdio>

#include "ui_fixture.h"

// One program for every suite: "murl_ui_tests SUITE [QTest arguments]" runs one of them.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication application(argc, argv);
  std::string only = argc > 1 && argv[1][0] != '-' ? argv[1] : "";
  std::vector<char*> rest{argv[0]};
  for (int i = only.empty() ? 1 : 2; i < argc; ++i) rest.push_back(argv[i]);
  int failed = 0;
  bool ran = false;
  for (auto& [name, factory] : murl::test::suites()) {
    if (!only.empty() && name != only) continue;
    std::unique_ptr<QObject> suite(factory());
    failed += QTest::qExec(suite.get(), int(rest.size()), rest.data());
    ran = true;
  }
  if (!ran) {
    std::fprintf(stderr, "no suite named %s\n", only.c_str());
    return 1;
  }
  return failed == 0 ? 0 : 1;
}

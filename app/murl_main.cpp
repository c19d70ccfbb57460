#include "ui/startup.h"

int main(int argc, char** argv) { return murl::ui::runApplication(argc, argv); }

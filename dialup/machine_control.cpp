#include "app/form1.h"

void TForm1::EnablePrivilege(const char*) {}

void TForm1::EnableShutdownPrivilegeAtStartup() {}

void TForm1::PowerOffMachine() {}

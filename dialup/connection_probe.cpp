#include "app/form1.h"

bool TForm1::IsConnected() { return false; }

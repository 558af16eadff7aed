// The program: hands over to the system's entry point with the program's own module.
#include "app/app.h"

int main() { return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL); }

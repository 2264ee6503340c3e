#include <windows.h>
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
int main() { return WinMain(nullptr, nullptr, (LPSTR) "", SW_SHOW); }

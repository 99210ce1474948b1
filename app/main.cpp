#include "app/offhook_run.h"

int main(int argc, char* argv[]) { hookline::RunHookline(argc, argv); }

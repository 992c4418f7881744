#pragma once

// The module's entry point is exported twice: as VSTPluginMain and, for older hosts, as main.
// C++ cannot declare ::main with another signature, so the second name is made at link level:
// on Windows by the module definition file (main=VSTPluginMain), elsewhere by giving a second
// function the assembler name "main".
#ifdef _WIN32
#define KORVANE_DECLARE_MAIN_ALIAS(ret, name, args)
#define KORVANE_DEFINE_MAIN_ALIAS(ret, name, args, call)
#else
#define KORVANE_DECLARE_MAIN_ALIAS(ret, name, args) \
  extern "C" __attribute__((visibility("default"))) ret name args __asm__("main");
#define KORVANE_DEFINE_MAIN_ALIAS(ret, name, args, call) \
  ret name args {                                        \
    return call;                                         \
  }
#endif

#pragma once

#include "vst/VstAbi.h"

class BraxVST;

/// Creates a plug-in instance for the module entry point: serialised by a process-wide lock,
/// makes sure one preset exists and that the host sees at least one program. Returns the new
/// instance's AEffect, or null when construction failed.
/// [host thread, any; takes the entry lock]
AEffect* VSTCreateInstance(BraxVST* (*create)(audioMasterCallback), audioMasterCallback host);

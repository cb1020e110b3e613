#pragma once
// Window classes built into the plug-in register a factory under their class
// name (one line in WindowRegistry.cpp as each window lands).
#include "shell/WindowDispatch.h"

WindowFactory registeredWindowFactory(const QString& className);

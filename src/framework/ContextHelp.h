#pragma once
// F1 in a module window: its caption is looked up in the help index of the
// program folder and the help topic found is opened (see HelpIndex.h).
#include <QString>

class ModuleContext;

// True when a topic was opened; nothing happens for a caption the index lacks.
bool ShowContextHelp(ModuleContext& context, const QString& key);

#include "framework/ContextHelp.h"

#include "framework/ModuleContext.h"
#include "util/HelpIndex.h"

bool ShowContextHelp(ModuleContext& context, const QString& key) {
    HelpService help(context.session.programFolder, context.session.IsMySQL(), *context.prompter);
    return help.ShowHelp(true, key);
}

#pragma once

// What a picture of a trick needs from its motions, for the headless commands.
#include <string>

#include "cli.h"
#include "editor/dravo_editor.h"
#include "editor/trick_names.h"

namespace dravo::cli {

// A trick whose own motions cannot be used would be drawn at rest: refuse it, naming the motion
// and what is wrong with it.
inline void RequireUsableMotions(const TDravoEditor& editor, const std::string& trickFile) {
  const TrickEntryNames names = EntryNamesFor(editor.MachineType(), trickFile);
  if (!editor.RiderMotion().IsValid())
    throw InputError(names.riderFile, editor.RiderMotion().InvalidReason());
  if (editor.HasMachineMotion() && !editor.MachineMotion().IsValid())
    throw InputError(names.machineFile, editor.MachineMotion().InvalidReason());
}

}  // namespace dravo::cli

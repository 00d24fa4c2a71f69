#include "demo/pipeline.h"

#include "demo/lists.h"

namespace VOXA2 {
namespace {

bool InWindow(const cVOXAcommand* c, float t) { return c->start <= t && t < c->end; }

// The hide track's verdict at the time since the command's start.
bool HiddenAt(cVOXAcommand* c, float sinceStart) {
  c->hideTrack->Evaluate(sinceStart);
  return c->hideTrack->value != 0;
}

}  // namespace

cVOXApipeline::~cVOXApipeline() {
  for (cVOXAcommand* c : commands) delete c;
}

void cVOXApipeline::AddCommand(cVOXAcommand* command) {
  if (!command) return;
  try {
    AppendToList(commands, command, "command list!");
  } catch (...) {
    delete command;
    throw;
  }
}

bool cVOXApipeline::Run(float t) {
  std::int32_t found = -1;
  for (std::size_t i = 0; i < commands.size(); i++) {
    if (InWindow(commands[i], t)) {
      found = static_cast<std::int32_t>(i);
      break;
    }
  }
  if (found != current && current >= 0) {
    cVOXAcommand* running = commands[static_cast<std::size_t>(current)];
    if (visibility != 0) running->Hide();
    running->Stop();
    current = -1;
  }
  if (found < 0) return true;
  cVOXAcommand* c = commands[static_cast<std::size_t>(found)];
  if (found != current) {
    c->Start();
    visibility = -1;
    current = found;
  }
  const float r = t - c->start;
  const float f = r / c->length;
  if (c->hideTrack) {
    const std::int32_t wanted = HiddenAt(c, r) ? 0 : 1;
    if (wanted != visibility) {
      visibility = wanted;
      if (wanted == 0)
        c->Hide();
      else
        c->Show();
    }
    if (visibility == 0) return true;
  } else if (visibility != 1) {
    c->Show();
    visibility = 1;
  }
  return c->Execute(t, r, f);
}

void cVOXApipeline::Activate() { current = -1; }

void cVOXApipeline::Deactivate() {
  if (current >= 0) commands[static_cast<std::size_t>(current)]->Stop();
  current = -1;
}

void cVOXAparallelPipeline::AddCommand(cVOXAcommand* command) {
  if (!command) return;
  cVOXApipeline::AddCommand(command);
  try {
    AppendToList(flags, 0u, "command flags list!");
  } catch (...) {
    delete commands.back();
    commands.pop_back();
    throw;
  }
}

bool cVOXAparallelPipeline::Run(float t) {
  for (std::size_t i = 0; i < commands.size(); i++) {
    cVOXAcommand* c = commands[i];
    std::uint32_t& flag = flags[i];
    if (!InWindow(c, t)) {
      if (flag != 0) {
        c->Stop();
        flag = 0;
      }
      continue;
    }
    if (flag == 0) {
      flag = kRunning;
      c->Start();
    }
    const float r = t - c->start;
    const float f = r / c->length;
    bool skip = false;
    if (c->hideTrack) {
      if (HiddenAt(c, r)) {
        if (!(flag & kHidden)) {
          c->Hide();
          flag |= kHidden;
        }
        skip = true;
      } else if (flag & kHidden) {
        c->Show();
        flag &= ~kHidden;
      }
    } else if (flag & kHidden) {
      c->Show();
      flag &= ~kHidden;
    }
    if (!skip && !c->Execute(t, r, f)) return false;
  }
  return true;
}

void cVOXAparallelPipeline::Activate() {
  for (std::uint32_t& flag : flags) flag = 0;
}

void cVOXAparallelPipeline::Deactivate() {
  for (std::size_t i = 0; i < commands.size(); i++) {
    if (flags[i] != 0) commands[i]->Stop();
    flags[i] = 0;
  }
}

}  // namespace VOXA2

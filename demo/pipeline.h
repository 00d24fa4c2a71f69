// Lists of timed commands with their own time axis. A serial pipeline runs the
// first command whose window holds the time; a parallel one runs every such
// command, in list order.
#pragma once

#include <cstdint>
#include <vector>

#include "demo/command.h"
#include "foundation/basis.h"

namespace VOXA2 {

class cVOXApipeline : public virtual basis::basisObject {
 public:
  explicit cVOXApipeline(cVOXAdemo* owner) : demo(owner) {}
  ~cVOXApipeline() override;

  // Appends the command, which the pipeline owns from then on; none does nothing.
  virtual void AddCommand(cVOXAcommand* command);
  // One frame at the pipeline time; false when a command's Execute failed.
  virtual bool Run(float time);
  virtual void Activate();
  virtual void Deactivate();

  cVOXAdemo* demo;
  std::vector<cVOXAcommand*> commands;
  std::int32_t current = -1;
  // Of the running command: -1 not yet known, 1 shown, 0 hidden.
  std::int32_t visibility = -1;
};

class cVOXAparallelPipeline : public cVOXApipeline {
 public:
  // Flag words: 0 not running, else running, with kHidden while hidden.
  static constexpr std::uint32_t kRunning = 1;
  static constexpr std::uint32_t kHidden = 2;

  explicit cVOXAparallelPipeline(cVOXAdemo* owner) : cVOXApipeline(owner) {}
  ~cVOXAparallelPipeline() override = default;

  void AddCommand(cVOXAcommand* command) override;
  bool Run(float time) override;
  void Activate() override;
  void Deactivate() override;

  std::vector<std::uint32_t> flags;
};

}  // namespace VOXA2

// A plug-in collection for the tests of the plug-in-backed pictures: copies of the probe plug-in
// (each configured by the test) and of our bundled plug-in, in a temporary directory of their
// own, added in the order the test gives. Every call a probe receives is recorded here, together
// with the test's own events (such as "native"), in one sequence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/module.h"
#include "plugin_test_support.h"
#include "plugins/spis.h"
#include "probe/probe_protocol.h"

namespace probe_bench {

// What happened, in order: "<probe name>:<entry>" for each call a probe received, and whatever
// the test added with Note.
extern std::vector<std::string> Events;
// The calls the probes received, in order.
extern std::vector<TProbeCall> Calls;
void Note(const std::string& event);
// Forgets the events and calls so far.
void ClearLog();
// The calls of `entry` ("IsSupported", ...), in order.
std::vector<TProbeCall> CallsOf(const std::string& entry);

// A probe that accepts everything and decodes a 1 x 1 24-bit picture of the colour
// (blue 10, green 20, red 30); GetPictureInfo succeeds with the text "probe".
TProbeConfig AcceptingProbe();

class TProbeBench {
 public:
  // Creates the collection (the program's instance while the bench lives).
  TProbeBench();
  TProbeBench(const TProbeBench&) = delete;
  TProbeBench& operator=(const TProbeBench&) = delete;
  ~TProbeBench();

  // Adds a probe named `name` (at most 15 characters) answering as `config` says; its filter
  // should be set in `config` beforehand. The bench fills in the name and the hook.
  void AddProbe(const std::string& name, TProbeConfig config);
  // Adds a copy of our bundled import plug-in.
  void AddBundledPlugin();

  TSPIs& Collection() { return *Spis_; }
  // Blocks that the probes handed out and the host has not freed yet; -1 where the system
  // cannot tell (only Windows can).
  int LiveBlocks() const;

 private:
  plugin_test::TTempDir Dir_;
  std::vector<platform::Module> Modules_;
  std::unique_ptr<TSPIs> Spis_;
};

}  // namespace probe_bench

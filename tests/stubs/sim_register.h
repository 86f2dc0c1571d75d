// The register simulator attached to the host tests' simulated line.
#pragma once
#include "tests/stubs/serial_port_stub.h"
#include "tools/sim/register_model.h"

class SimRegister : public simline::Peer {
 public:
  SimRegister(regsim::Mode mode, regsim::Data data, regsim::Faults faults = {})
      : model_(mode, std::move(data), faults, [](uint64_t atUs, uint8_t byte) {
          simline::Send(static_cast<uint32_t>((atUs + 999) / 1000), byte);
        }) {
    simline::Attach(this);
  }
  ~SimRegister() override { simline::Attach(nullptr); }
  void OnWrite(uint8_t byte, uint32_t now) override { model_.Receive(byte, uint64_t{now} * 1000); }
  void OnPoll(uint32_t now) override { model_.Advance(uint64_t{now} * 1000); }
  const regsim::Stats& stats() const { return model_.stats(); }

 private:
  regsim::Register model_;
};

// A forwarding device that logs every call, for tests of the sequence of device calls a routine
// makes, and keeps the matrices and lights behind the calls tests check most.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "forwarding_device.h"

struct LoggedCall {
  std::string name;
  std::vector<long long> args;
};

class CallLogDevice : public ForwardingDevice {
 public:
  using ForwardingDevice::ForwardingDevice;

  std::vector<LoggedCall> calls;
  std::vector<std::pair<D3DTRANSFORMSTATETYPE, D3DMATRIX>> transforms;
  std::vector<D3DLIGHT9> lights;

  void Clear() {
    calls.clear();
    transforms.clear();
    lights.clear();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& c : calls) names.push_back(c.name);
    return names;
  }

  void Note(const char* name, std::initializer_list<long long> args) override {
    calls.push_back({name, args});
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    if (matrix) transforms.push_back({state, *matrix});
    return ForwardingDevice::SetTransform(state, matrix);
  }
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override {
    if (light) lights.push_back(*light);
    return ForwardingDevice::SetLight(index, light);
  }
};

#pragma once

#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

// A channel's files and log in a private folder, and a record of what reached
// a master's handler.
class BrokerFixture : public testing::Test {
protected:
    void SetUp() override
    {
        Nuvra::VRPC::SetupLogFiles(log.c_str(), "");
        Nuvra::VRPC::host_id = Nuvra::VRPC::emptyProcessId;
    }

    Nuvra::VRPC::MessageHandler recorder()
    {
        return [this](Nuvra::VRPC::Message& msg) {
            std::lock_guard<std::mutex> lock(mutex);
            unexpected.push_back(msg);
        };
    }

    size_t unexpectedCount()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return unexpected.size();
    }

    std::string logText() const { return VrpcTest::readFile(log); }

    static std::uint64_t writerPid(Nuvra::VRPC::Pump& pump)
    {
        return __atomic_load_n(&pump.header()->writerPid, __ATOMIC_ACQUIRE);
    }

    VrpcTest::TempDir dir;
    std::string log = dir.file("transport.log");
    std::string base = dir.file("chan");
    std::mutex mutex;
    std::vector<Nuvra::VRPC::Message> unexpected;
};

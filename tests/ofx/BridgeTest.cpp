// Edits travel to the child with every current value; the child's change
// tree comes back into the host's parameters inside an edit bracket.
#include "BundleFixture.h"

#include "VRPC/ParamStr.h"

namespace {

using namespace OfxTest;
using boost::property_tree::ptree;
using Nuvra::VRPC::M2S_DoDialog;
using Nuvra::VRPC::M2S_ParamChanged;

struct Change {
    int id;
    ptree values;
};

Change parseChange(const std::string& payload)
{
    Change c{0, {}};
    if (payload.size() < 12)
        return c;
    std::memcpy(&c.id, payload.data(), 4);
    EXPECT_EQ(payload.substr(4, 8), std::string(8, '\0'));
    c.values = Nuvra::VRPC::deserialize(payload.substr(12));
    return c;
}

const ptree* entry(const ptree& tree, int id)
{
    for (const auto& child : tree) {
        if (child.second.get<int>("id", -1) == id)
            return &child.second;
    }
    return nullptr;
}

class Bridge : public BundleFixture {
protected:
    void start(const std::string& faults = "")
    {
        makeFakeBundle(faults);
        ASSERT_EQ(session->start(), kOfxStatOK);
    }

    Param* param(const std::string& name) { return session->instance.params.find(name); }
};

TEST_F(Bridge, AnEditReportsEveryCurrentValue)
{
    start();
    ASSERT_EQ(session->edit("P_2", {55.0}, false), kOfxStatOK);
    const auto sent = requests(M2S_ParamChanged);
    ASSERT_EQ(sent.size(), 1u);
    const Change c = parseChange(sent.front());
    EXPECT_EQ(c.id, 2);
    // One entry per description in ascending id order; buttons and groups
    // carry their id alone.
    std::vector<int> ids;
    for (const auto& child : c.values)
        ids.push_back(child.second.get<int>("id"));
    std::vector<int> all;
    for (int id = 1; id <= 30; ++id)
        all.push_back(id);
    EXPECT_EQ(ids, all);
    struct Value {
        int id;
        const char* text;
    } values[] = {{2, "55"}, {3, "16"}, {7, "true"}, {17, "90"}, {20, "1"}, {21, "4278190080"},
                  {22, "4286611584"}, {25, "4294967295"}, {30, "2"}};
    for (const Value& v : values) {
        SCOPED_TRACE(v.id);
        ASSERT_NE(entry(c.values, v.id), nullptr);
        EXPECT_EQ(entry(c.values, v.id)->get<std::string>("value", "<none>"), v.text);
    }
    for (int id : {1, 8, 26, 29})
        EXPECT_FALSE(entry(c.values, id)->count("value")) << id;
}

TEST_F(Bridge, BracketsReportOnceOrNotAtAll)
{
    start();
    struct Case {
        std::vector<std::string> edits;
        std::vector<int> reported;  // ids of the requests sent
    } cases[] = {
        {{}, {}},                        // the host's own bracket: nothing to say
        {{"P_2"}, {2}},                  // one edit: its id
        {{"P_2", "P_3"}, {-1}},          // several: -1 once
        {{"P_2", "P_2"}, {-1}},
        {{"Q_2", "P_", "P_x2", "P_-1"}, {}},  // not ours
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        const size_t before = requests(M2S_ParamChanged).size();
        ASSERT_EQ(session->userEdit(c.edits, true), kOfxStatOK);
        const auto sent = requests(M2S_ParamChanged);
        ASSERT_EQ(sent.size() - before, c.reported.size());
        for (size_t k = 0; k < c.reported.size(); ++k)
            EXPECT_EQ(parseChange(sent[before + k]).id, c.reported[k]);
    }
    // Names that are not "P_" and a decimal id are no edits of ours.
    const size_t before = requests(M2S_ParamChanged).size();
    ASSERT_EQ(session->userEdit({"Q_2", "P_", "P_x2", "P_-1"}, false), kOfxStatOK);
    EXPECT_EQ(requests(M2S_ParamChanged).size(), before);
}

TEST_F(Bridge, UnsupervisedParametersAreNotReported)
{
    ptree tree;
    Nuvra::VRPC::ParamStr::slider(tree, 2, "Quiet", 5, 5, 0, 10, 0);
    Nuvra::VRPC::ParamStr::slider(tree, 3, "Loud", 5, 5, 0, 10, 2);
    writeDescription(tree);
    start();
    EXPECT_EQ(session->userEdit({"P_2"}, true), kOfxStatOK);
    EXPECT_EQ(session->userEdit({"P_2"}, false), kOfxStatOK);
    EXPECT_TRUE(requests(M2S_ParamChanged).empty());
    EXPECT_EQ(session->userEdit({"P_3"}, false), kOfxStatOK);
    EXPECT_EQ(requests(M2S_ParamChanged).size(), 1u);
}

TEST_F(Bridge, AboutButtonAsksTheChild)
{
    start();
    EXPECT_EQ(session->userEdit({"about"}, true), kOfxStatOK);
    EXPECT_EQ(requests(M2S_DoDialog).size(), 1u);
    EXPECT_TRUE(requests(M2S_ParamChanged).empty());
}

TEST_F(Bridge, ChangeTreeIsWrittenBackInsideAnEditBracket)
{
    ptree changes;
    const auto add = [&changes](int id, std::vector<std::pair<std::string, std::string>> keys) {
        ptree e;
        e.put("id", id);
        for (const auto& k : keys)
            e.put(k.first, k.second);
        changes.add_child("param", e);
    };
    add(2, {{"value", "80.00005"}});                     // within 0.0001: left alone
    add(3, {{"value", "16.00005"}, {"force", "true"}});  // forced: written
    add(4, {{"value", "150"}});
    add(99, {{"value", "1"}});                           // unknown: skipped, the rest applied
    add(20, {{"value", "3"}});                           // combobox counts from 1
    add(22, {{"value", "16711680"}, {"hidden", "false"}, {"disabled", "false"}});
    add(21, {{"hidden", "true"}});
    add(23, {{"hidden", "true"}});                       // secret in the host: already out of sight
    add(7, {{"value", "false"}});
    add(25, {{"value", "4294967295"}});                   // same colour, no force: left alone
    add(1, {{"value", "3"}});                            // a group has no value
    writeChanges(changes);
    start();
    param("P_23")->props.setInt(kOfxParamPropSecret, 1);
    param("P_23")->props.setInt(kOfxParamPropEnabled, 1);
    ASSERT_EQ(session->edit("P_6", {5.0}, false), kOfxStatOK);

    EXPECT_EQ(param("P_2")->sets, 0);
    EXPECT_EQ(param("P_2")->get(), std::vector<double>{80.0});
    EXPECT_EQ(param("P_3")->sets, 1);
    EXPECT_EQ(param("P_3")->get(), std::vector<double>{16.00005});
    EXPECT_EQ(param("P_4")->get(), std::vector<double>{150.0});
    EXPECT_EQ(param("P_20")->get(), std::vector<double>{2.0});
    EXPECT_EQ(param("P_22")->get(), (std::vector<double>{1.0, 0.0, 0.0}));
    EXPECT_EQ(param("P_22")->props.getInt(kOfxParamPropEnabled), 1);
    EXPECT_EQ(param("P_21")->props.getInt(kOfxParamPropEnabled), 0);
    EXPECT_EQ(param("P_23")->props.getInt(kOfxParamPropEnabled), 1);
    EXPECT_EQ(param("P_7")->get(), std::vector<double>{0.0});
    EXPECT_EQ(param("P_25")->sets, 0);
    EXPECT_EQ(session->instance.params.eventLog(), (std::vector<std::string>{"begin:callback", "end"}));
    EXPECT_EQ(session->instance.params.openEdits, 0);
}

TEST_F(Bridge, BracketsBelongToTheirInstance)
{
    start();
    Session other(host, binary->plugin(0));
    ASSERT_EQ(other.describeInContext(), kOfxStatOK);
    ASSERT_EQ(other.createInstance(), kOfxStatOK);
    PropertySet reason;
    reason.setString(kOfxPropChangeReason, kOfxChangeUserEdited);
    ASSERT_EQ(session->action(kOfxActionBeginInstanceChanged, session->instance.handle(), &reason), kOfxStatOK);
    // An edit of another instance, outside any bracket of its own, goes at
    // once and is not folded into the open bracket.
    ASSERT_EQ(other.userEdit({"P_3"}, false), kOfxStatOK);
    ASSERT_EQ(requests(M2S_ParamChanged).size(), 1u);
    EXPECT_EQ(parseChange(requests(M2S_ParamChanged).front()).id, 3);
    ASSERT_EQ(session->action(kOfxActionEndInstanceChanged, session->instance.handle(), &reason), kOfxStatOK);
    EXPECT_EQ(requests(M2S_ParamChanged).size(), 1u);
    other.destroyInstance();
}

} // namespace

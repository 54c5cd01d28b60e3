#include "App/Probe.h"

#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

class ProbeTest : public SimWorldTest {
protected:
    QStringList probe(const char* worldFile)
    {
        QString error;
        auto w = SimWorld::fromFile(test::fixture(QStringLiteral("worlds/") + worldFile), &error);
        EXPECT_TRUE(w) << error.toStdString();
        install(w);
        return probeReport(scheduler);
    }
};

TEST_F(ProbeTest, TwoDisplaysWithAFullScreenSpace)
{
    EXPECT_EQ(probe("two-displays-fullscreen.json"),
              (QStringList{
                  "bridge health: 0b1111111 healthy=true",
                  "display Main menuBar=true name=Built-in Display",
                  "    [0] desktop 1 managed=3 id=0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61",
                  "    [1] desktop 2 managed=4 id=6F1B8E2D-3C4A-4B5E-8D7F-2E3F4A5B6C72",
                  "  * [2] fullscreen pid=812 managed=9 id=9C2D7E3F-4A5B-4C6D-9E8F-3F4A5B6C7D83",
                  "    [3] desktop 3 managed=11 id=managed-11",
                  "display E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B menuBar=false name=Studio Display",
                  "  * [0] desktop 4 managed=14 id=B3E4F5A6-5B6C-4D7E-AF90-4A5B6C7D8E94",
                  "    [1] desktop 5 managed=15 id=C4F5A6B7-6C7D-4E8F-B0A1-5B6C7D8E9FA5",
                  "accessibility=false screenRecording=true",
              }));
}

TEST_F(ProbeTest, DegradedBridges)
{
    struct Case {
        const char* world;
        const char* health;
        const char* second;
    };
    const Case cases[] = {
        {"partial-bridge.json", "bridge health: 0b1010111 healthy=true", "display 37D8832A-2D66-02CA-B9F7-8F30A301B230 menuBar=true name=Built-in Display"},
        {"no-spaces-list.json", "bridge health: 0b111101 healthy=false", "snapshot unavailable"},
        {"no-connection.json", "bridge health: 0b111110 healthy=false", "snapshot unavailable"},
    };
    for (const Case& c : cases) {
        const QStringList report = probe(c.world);
        ASSERT_GE(report.size(), 3);
        EXPECT_EQ(report[0], c.health) << c.world;
        EXPECT_EQ(report[1], c.second) << c.world;
    }
    EXPECT_EQ(probe("no-spaces-list.json").last(), "accessibility=true screenRecording=false");
}

TEST_F(ProbeTest, UnknownScreenIsNamedDisplay)
{
    world->displays[0].identifier = QStringLiteral("not-a-uuid");
    install(world);
    EXPECT_EQ(probeReport(scheduler)[1], "display not-a-uuid menuBar=true name=Display");
}

} // namespace

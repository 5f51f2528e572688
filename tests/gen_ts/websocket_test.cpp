#include "gen_ts/websocket.hpp"

#include <gtest/gtest.h>

#include "builders.hpp"
#include "gen_ts/generator.hpp"
#include "socket_members.hpp"

namespace tolv::gen_ts {
namespace {

using namespace test;

std::string print_block(const Endpoint& e, const schema::ApiGraph& g) {
    codegen::Printer p(4);
    const KeyMapper keys(g);
    print_websocket_block(p, e, ApiContext(keys, codegen::DeclaredNames()));
    return p.output();
}

TEST(WebsocketBlock, WithoutEvents) {
    const std::string expected = R"(export interface LiveFeedServerEvents {
}

export interface LiveFeedClientEvents {
}

export class LiveFeedSocket {
)" + fixed_members("live_feed", "LiveFeed") +
                                 R"(}

export function createLiveFeedSocket(): LiveFeedSocket {
    return new LiveFeedSocket();
}
)";
    // The raw name goes into the URL; only the type names use PascalCase.
    EXPECT_EQ(print_block(endpoint("live_feed", EndpointKind::Ws), {}), expected);
}

TEST(WebsocketBlock, EventsDocAndPayloadConversion) {
    schema::ApiGraph g;
    g.models.emplace("User", model_def("User", {field("userName", "user_name", prim("str"))}));
    Endpoint e = endpoint("chat", EndpointKind::Ws);
    e.doc = "Chat room.";
    // Events are named by their source names; wire names play no part.
    // Payloads holding models are converted both ways, by every listener and
    // send method.
    e.serverEvents = {param("ignored", "user_joined", model("User")),
                      param("ignored", "left", optional(prim("str")), false)};
    e.clientEvents = {param("ignored", "say_hi", model("User")), param("ignored", "typing", nullable(prim("bool")))};
    const std::string expected = R"(export interface ChatServerEvents {
    user_joined: User;
    left: string | undefined;
}

export interface ChatClientEvents {
    say_hi: User;
    typing: boolean | null;
}

/**
 * Chat room.
 */
export class ChatSocket {
)" + fixed_members("chat", "Chat", true, true) +
                                 R"(
    onUserJoined(callback: (data: User) => void): () => void {
        return this.on("user_joined", callback);
    }

    onLeft(callback: (data: string | undefined) => void): () => void {
        return this.on("left", callback);
    }

    sendSayHi(data: User): void {
        this.sendRaw("say_hi", { user_name: data.userName });
    }

    sendTyping(data: boolean | null): void {
        this.sendRaw("typing", data);
    }

    private toWire(event: string, data: any): unknown {
        switch (event) {
            case "user_joined": return { userName: data.user_name };
            default: return data;
        }
    }

    private toSource(event: string, data: any): unknown {
        switch (event) {
            case "say_hi": return { user_name: data.userName };
            default: return data;
        }
    }
}

export function createChatSocket(): ChatSocket {
    return new ChatSocket();
}
)";
    EXPECT_EQ(print_block(e, g), expected);
}

TEST(WebsocketBlock, TwoEndpointsGiveTwoBlocksEachFollowedByOneBlankLine) {
    schema::ApiGraph g;
    g.endpoints.emplace("b_ws", endpoint("b_ws", EndpointKind::Ws));
    g.endpoints.emplace("a_ws", endpoint("a_ws", EndpointKind::Ws));
    const std::string text = print_api(g).value();
    const std::size_t a = text.find("export interface AWsServerEvents {\n}\n");
    const std::size_t a_end = text.find("    return new AWsSocket();\n}\n\nexport interface BWsServerEvents {\n}\n");
    const std::size_t b_end = text.find("    return new BWsSocket();\n}\n\n");
    ASSERT_NE(a, std::string::npos);
    EXPECT_NE(a_end, std::string::npos);
    ASSERT_NE(b_end, std::string::npos);
    EXPECT_EQ(b_end + std::string_view("    return new BWsSocket();\n}\n\n").size(), text.size());
    EXPECT_NE(text.find("\n        this.ws = new WebSocket(`${baseUrl}/ws/b_ws`);\n"), std::string::npos);
}

}  // namespace
}  // namespace tolv::gen_ts

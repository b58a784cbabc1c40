#include <gtest/gtest.h>

#include <fstream>

#include "common/test_folder.hpp"
#include "seal/base64.hpp"
#include "seal/json.hpp"
#include "seal/messages.hpp"
#include "seal/service.hpp"

namespace vell::seal {

namespace {

namespace fs = std::filesystem;

// Sends one request through the line protocol and reads the answer back.
Json ask(const Json& request) {
  SecretString line = answerLine(request.dump());
  EXPECT_EQ(line.find('\n'), SecretString::npos);
  return Json::parse(line);
}

std::string error(const Json& answer) {
  return answer.contains("error") ? std::string(answer["error"].get<SecretString>()) : "";
}

std::string bytesOf(const Json& base64) {
  if (!base64.is_string())
    return "<not base64>";
  std::string_view text = base64.get_ref<const SecretString&>();
  std::vector<std::uint8_t> bytes(decodedRoom(text.size()));
  auto size = decodeMember(text, bytes.data());
  return size ? std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(*size))
              : "<not base64>";
}

SecretString b64Text(std::string_view text) {
  return b64({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

SecretString newKey() {
  return b64(*platform::randomSecret(32));
}

const std::string kDidNot(kDidNotCheckOut);

}  // namespace

TEST(Operations, DispatchIsExactAndPingIgnoresOtherMembers) {
  EXPECT_EQ(ask({{"op", "ping"}, {"extra", {1, 2}}}), Json({{"ok", true}, {"v", 1}}));
  for (const Json& request : {Json({{"op", "PING"}}), Json::object(), Json({{"op", 5}}),
                              Json({{"op", "ping "}}), Json({{"op", nullptr}})})
    EXPECT_EQ(error(ask(request)), "unknown op") << request.dump();
}

TEST(Operations, KeypairGivesFreshMatchingKeys) {
  Json first = ask({{"op", "keypair"}});
  Json second = ask({{"op", "keypair"}});
  EXPECT_NE(first["priv"], second["priv"]);
  std::string privateKey = bytesOf(first["priv"]);
  ASSERT_EQ(privateKey.size(), 32u);
  auto publicKey = platform::x25519PublicKey(
      {reinterpret_cast<const std::uint8_t*>(privateKey.data()), privateKey.size()});
  ASSERT_TRUE(publicKey);
  EXPECT_EQ(std::string(b64(*publicKey)), std::string(first["pub"].get<SecretString>()));
}

TEST(Operations, AgreeMatchesTheRfcVectorAndBothParties) {
  // RFC 7748 section 6.1.
  Json rfc = {{"op", "agree"},
              {"priv", "dwdtCnMYpX08FsFyUbJmRd9ML4frwJkqsXf7pR25LCo"},
              {"peer", "3p7bfXt9wbTTW2HC7OQ1Nz-DQ8hbeGdNrfx-FG-IK08"},
              {"raw", true}};
  EXPECT_EQ(bytesOf(ask(rfc)["key"]),
            std::string("\x4a\x5d\x9d\x5b\xa4\xce\x2d\xe1\x72\x8e\x3b\xf4\x80\x35\x0f\x25"
                        "\xe0\x7e\x21\xc9\x47\xd1\x9e\x33\x76\xf0\x9b\x3c\x1e\x16\x17\x42",
                        32));

  Json alice = ask({{"op", "keypair"}});
  Json bob = ask({{"op", "keypair"}});
  auto agree = [&](const Json& self, const Json& other, Json extra) {
    extra["op"] = "agree";
    extra["priv"] = self["priv"];
    extra["peer"] = other["pub"];
    return ask(extra)["key"];
  };
  EXPECT_EQ(agree(alice, bob, {{"raw", true}}), agree(bob, alice, {{"raw", true}}));
  Json derived = {{"salt", "c2FsdA"}, {"info", "vell v1"}};
  EXPECT_EQ(agree(alice, bob, derived), agree(bob, alice, derived));
  EXPECT_NE(agree(alice, bob, derived), agree(alice, bob, {{"raw", true}}));
  EXPECT_NE(agree(alice, bob, derived), agree(alice, bob, {{"salt", "c2FsdA"}, {"info", "other"}}));
  // Anything but the boolean true derives; an undecodable salt is the empty salt.
  Json plain = agree(alice, bob, Json::object());
  EXPECT_EQ(agree(alice, bob, {{"raw", false}}), plain);
  EXPECT_EQ(agree(alice, bob, {{"raw", "true"}}), plain);
  EXPECT_EQ(agree(alice, bob, {{"salt", "!!"}}), plain);
  EXPECT_EQ(agree(alice, bob, {{"salt", ""}}), plain);
}

TEST(Operations, AgreeFailures) {
  Json pair = ask({{"op", "keypair"}});
  SecretString short31 = b64(platform::Bytes(31, 7));
  struct Case {
    Json request;
    std::string error;
  } cases[] = {
      {{{"op", "agree"}, {"peer", pair["pub"]}}, "missing priv"},
      {{{"op", "agree"}, {"priv", pair["priv"]}}, "missing peer"},
      {{{"op", "agree"}, {"priv", pair["priv"]}, {"peer", "a b"}}, "missing peer"},
      // The short key fails before the missing peer is noticed.
      {{{"op", "agree"}, {"priv", short31}}, kDidNot},
      {{{"op", "agree"}, {"priv", pair["priv"]}, {"peer", short31}}, kDidNot},
      // A small-order peer gives an all-zero secret, which is refused.
      {{{"op", "agree"}, {"priv", pair["priv"]}, {"peer", b64(platform::Bytes(32, 0))}}, kDidNot},
  };
  for (const auto& c : cases)
    EXPECT_EQ(error(ask(c.request)), c.error) << c.request.dump();
}

TEST(Operations, SealAndOpenRoundTrip) {
  SecretString key = newKey();
  for (std::string plaintext : {std::string(), std::string("x"), std::string(1000, 'v')}) {
    Json sealed = ask({{"op", "seal"}, {"key", key}, {"data", b64Text(plaintext)}, {"aad", "ctx"}});
    EXPECT_EQ(bytesOf(sealed["data"]).size(), plaintext.size() + 28);
    Json opened = ask({{"op", "open"}, {"key", key}, {"data", sealed["data"]}, {"aad", "ctx"}});
    EXPECT_EQ(bytesOf(opened["data"]), plaintext);
  }
  Json once = ask({{"op", "seal"}, {"key", key}, {"data", "Zm9v"}});
  Json twice = ask({{"op", "seal"}, {"key", key}, {"data", "Zm9v"}});
  EXPECT_NE(once["data"], twice["data"]);
  EXPECT_EQ(bytesOf(ask({{"op", "open"}, {"key", key}, {"data", twice["data"]}})["data"]), "foo");
}

TEST(Operations, SealAndOpenFailures) {
  SecretString key = newKey();
  Json sealed = ask({{"op", "seal"}, {"key", key}, {"data", "Zm9v"}, {"aad", "a"}});
  std::string combined = bytesOf(sealed["data"]);
  std::string altered = combined;
  altered[14] ^= 1;
  SecretString key16 = b64(platform::Bytes(16, 1));
  struct Case {
    Json request;
    std::string error;
  } cases[] = {
      {{{"op", "seal"}, {"data", "Zm9v"}}, "missing key"},
      {{{"op", "open"}, {"data", "Zm9v"}}, "missing key"},
      {{{"op", "seal"}, {"key", key}}, "missing data"},
      {{{"op", "seal"}, {"key", key16}, {"data", "Zm9v"}}, "the key must be 32 bytes"},
      {{{"op", "open"}, {"key", key16}, {"data", sealed["data"]}}, "the key must be 32 bytes"},
      {{{"op", "open"}, {"key", key}, {"data", b64Text(std::string(27, 'x'))}}, kDidNot},
      {{{"op", "open"}, {"key", key}, {"data", sealed["data"]}, {"aad", "b"}}, kDidNot},
      {{{"op", "open"}, {"key", key}, {"data", sealed["data"]}}, kDidNot},
      {{{"op", "open"}, {"key", newKey()}, {"data", sealed["data"]}, {"aad", "a"}}, kDidNot},
      {{{"op", "open"}, {"key", key}, {"data", b64Text(altered)}, {"aad", "a"}}, kDidNot},
  };
  for (const auto& c : cases)
    EXPECT_EQ(error(ask(c.request)), c.error) << c.request.dump();
}

TEST(Operations, SealfileWritesTheCombinedValue) {
  TestFolder folder;
  SecretString key = newKey();
  fs::path in = folder.path() / "in.bin";
  fs::path out = folder.path() / "out.sealed";
  std::ofstream(in, std::ios::binary) << std::string(100, 'p');
  Json answer = ask(
      {{"op", "sealfile"}, {"key", key}, {"in", in.string()}, {"out", out.string()}, {"aad", "f"}});
  EXPECT_EQ(answer, Json({{"ok", true}, {"n", 128}}));
  std::ifstream sealedFile(out, std::ios::binary);
  std::string sealed((std::istreambuf_iterator<char>(sealedFile)), {});
  ASSERT_EQ(sealed.size(), 128u);
  Json opened = ask({{"op", "open"}, {"key", key}, {"data", b64Text(sealed)}, {"aad", "f"}});
  EXPECT_EQ(bytesOf(opened["data"]), std::string(100, 'p'));

  // Sealing a file onto itself replaces it with its sealed form.
  answer = ask({{"op", "sealfile"}, {"key", key}, {"in", in.string()}, {"out", in.string()}});
  EXPECT_EQ(answer["n"], 128);
  EXPECT_EQ(fs::file_size(in), 128u);
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.bin", "out.sealed"}));
}

TEST(Operations, FailedSealfileLeavesNothingBehind) {
  TestFolder folder;
  SecretString key = newKey();
  fs::path in = folder.path() / "in.bin";
  fs::path out = folder.path() / "out.sealed";
  std::ofstream(in) << "data";
  std::ofstream(out) << "old";
  fs::create_directory(folder.path() / "dir");
  struct Case {
    Json request;
    std::string error;
  } cases[] = {
      {{{"op", "sealfile"}, {"in", in.string()}, {"out", out.string()}}, "missing key"},
      {{{"op", "sealfile"},
        {"key", b64(platform::Bytes(16, 1))},
        {"in", in.string()},
        {"out", out.string()}},
       "sealfile needs key, in and out"},
      {{{"op", "sealfile"}, {"key", key}, {"out", out.string()}}, "sealfile needs key, in and out"},
      {{{"op", "sealfile"}, {"key", key}, {"in", in.string()}, {"out", 3}},
       "sealfile needs key, in and out"},
      {{{"op", "sealfile"},
        {"key", key},
        {"in", (folder.path() / "none").string()},
        {"out", out.string()}},
       kDidNot},
      {{{"op", "sealfile"},
        {"key", key},
        {"in", (folder.path() / "dir").string()},
        {"out", out.string()}},
       kDidNot},
      {{{"op", "sealfile"},
        {"key", key},
        {"in", in.string()},
        {"out", (folder.path() / "dir").string()}},
       kDidNot},
      {{{"op", "sealfile"},
        {"key", key},
        {"in", in.string()},
        {"out", (folder.path() / "no/such").string()}},
       kDidNot},
  };
  for (const auto& c : cases)
    EXPECT_EQ(error(ask(c.request)), c.error) << c.request.dump();
  std::ifstream old(out);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(old)), {}), "old");
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"dir", "in.bin", "out.sealed"}));
  EXPECT_TRUE(fs::is_empty(folder.path() / "dir"));
}

}  // namespace vell::seal

namespace vell::seal {

// Any number JSON allows may sit in a member no operation reads.
TEST(Operations, NumbersBeyondADoubleInUnusedMembers) {
  SecretString key = newKey();
  for (std::string number : std::vector<std::string>{"1e309", "-1e309", std::string(100000, '7'),
                                                     "0." + std::string(100000, '1') + "E-99999"}) {
    std::string ping = R"({"op":"ping","n":)" + number + "}";
    EXPECT_EQ(std::string(answerLine(ping)), R"({"ok":true,"v":1})") << number.substr(0, 10);
    Json sealed = Json::parse(answerLine(R"({"op":"seal","data":"Zm9v","extra":[)" + number +
                                         R"(],"key":")" + std::string(key) + R"("})"));
    EXPECT_EQ(bytesOf(ask({{"op", "open"}, {"key", key}, {"data", sealed["data"]}})["data"]),
              "foo");
  }
}

// OpenSSL's own HKDF refuses more than 32 KiB of info; the derivation takes
// any length. The long value is that of Python's `cryptography` HKDF.
TEST(Operations, AgreeTakesInfoOfAnyLength) {
  Json request = {{"op", "agree"},
                  {"priv", "dwdtCnMYpX08FsFyUbJmRd9ML4frwJkqsXf7pR25LCo"},
                  {"peer", "3p7bfXt9wbTTW2HC7OQ1Nz-DQ8hbeGdNrfx-FG-IK08"}};
  request["info"] = std::string(32768, 'i');
  EXPECT_EQ(ask(request)["key"], "C1kbdjXN2EkL6vP4PCKEeTuDIDBSSWefsEOQnM192Tg=");
  request["info"] = std::string(100000, 'i');
  EXPECT_EQ(ask(request)["key"], "Bo2AGMv4ObL/hpXcCPJF8ySmEvndB7UX13Zg/L9PIfE=");
  request["info"] = std::string(1 << 20, 'i');
  Json answer = ask(request);
  EXPECT_EQ(bytesOf(answer["key"]).size(), 32u) << answer.dump();
}

}  // namespace vell::seal

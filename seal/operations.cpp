#include "seal/operations.hpp"

#include "seal/base64.hpp"
#include "seal/messages.hpp"
#include "seal/seal_error.hpp"
#include "seal/sealed_file.hpp"

namespace vell::seal {

namespace {

using platform::ByteView;
using platform::Secret;

const Json* member(const Json& request, std::string_view name) {
  auto found = request.find(SecretString(name));
  return found == request.end() ? nullptr : &*found;
}

// "info" and "aad" are text: their UTF-8 bytes, or none when absent or not a string.
ByteView textBytes(const Json& request, std::string_view name) {
  const Json* value = member(request, name);
  if (!value || !value->is_string())
    return {};
  const auto& text = value->get_ref<const SecretString&>();
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

template <typename T>
T orFail(Result<T> result) {
  if (!result)
    throw OperationFailure{result.error().text};
  return std::move(*result);
}

Json ping() {
  return {{"ok", true}, {"v", 1}};
}

Json keypair() {
  Secret privateKey = orFail(platform::newX25519PrivateKey());
  platform::Bytes publicKey = orFail(platform::x25519PublicKey(privateKey));
  return {{"priv", b64(privateKey)}, {"pub", b64(publicKey)}};
}

Json agree(const Json& request) {
  // Each key is checked as it is made, so a short "priv" fails before a
  // missing "peer" is noticed.
  Secret privateKey = need(request, "priv");
  if (privateKey.size() != platform::kX25519KeySize)
    throw OperationFailure{"private key length"};
  Secret peer = need(request, "peer");
  Secret shared = orFail(platform::x25519SharedSecret(privateKey, peer));
  const Json* raw = member(request, "raw");
  if (raw && raw->is_boolean() && raw->get<bool>())
    return {{"key", b64(shared)}};
  Secret salt = unb64(member(request, "salt")).value_or(Secret());
  Secret derived = orFail(platform::hkdfSha256(shared, salt, textBytes(request, "info"), 32));
  return {{"key", b64(derived)}};
}

Json seal(const Json& request) {
  Secret key = need(request, "key");
  if (key.size() != platform::kAesKeySize)
    throw SealError::bad(std::string(kKeyMustBe32));
  Secret plaintext = need(request, "data");
  platform::Bytes combined =
      orFail(platform::aesGcmSeal(key, plaintext, textBytes(request, "aad")));
  if (combined.size() != plaintext.size() + platform::kGcmNonceSize + platform::kGcmTagSize)
    throw SealError::bad(std::string(kSealFailed));
  return {{"data", b64(combined)}};
}

Json open(const Json& request) {
  Secret key = need(request, "key");
  if (key.size() != platform::kAesKeySize)
    throw SealError::bad(std::string(kKeyMustBe32));
  Secret combined = need(request, "data");
  Secret plaintext = orFail(platform::aesGcmOpen(key, combined, textBytes(request, "aad")));
  return {{"data", b64(plaintext)}};
}

Json sealfile(const Json& request) {
  Secret key = need(request, "key");
  const Json* in = member(request, "in");
  const Json* out = member(request, "out");
  if (key.size() != platform::kAesKeySize || !in || !in->is_string() || !out || !out->is_string())
    throw SealError::bad(std::string(kSealfileNeeds));
  std::string inPath(in->get_ref<const SecretString&>());
  std::string outPath(out->get_ref<const SecretString&>());
  auto written = sealFile(key, inPath, outPath, textBytes(request, "aad"));
  if (!written)
    throw OperationFailure{written.error().text};
  return {{"ok", true}, {"n", *written}};
}

}  // namespace

Secret need(const Json& request, std::string_view name) {
  auto bytes = unb64(member(request, name));
  if (!bytes)
    throw SealError::bad(std::string(kMissing) + std::string(name));
  return std::move(*bytes);
}

Json handle(const Json& request) {
  const Json* opMember = member(request, "op");
  std::string_view op;
  if (opMember && opMember->is_string())
    op = opMember->get_ref<const SecretString&>();
  if (op == "ping")
    return ping();
  if (op == "keypair")
    return keypair();
  if (op == "agree")
    return agree(request);
  if (op == "seal")
    return seal(request);
  if (op == "open")
    return open(request);
  if (op == "sealfile")
    return sealfile(request);
  throw SealError::bad(std::string(kUnknownOp));
}

}  // namespace vell::seal

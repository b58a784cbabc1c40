#include "seal/operations.hpp"

#include "seal/messages.hpp"
#include "seal/seal_error.hpp"
#include "seal/sealed_file.hpp"

namespace vell::seal {

namespace {

using platform::ByteView;
using platform::Secret;

// "info" and "aad" are text: their UTF-8 bytes, or none when absent or not a string.
ByteView textBytes(const Request& request, Field field) {
  auto text = request.text(field);
  if (!text)
    return {};
  return {reinterpret_cast<const std::uint8_t*>(text->data()), text->size()};
}

template <typename T>
T orFail(Result<T> result) {
  if (!result)
    throw OperationFailure{result.error().text};
  return std::move(*result);
}

// Members are written in the order of their names, as the answers have
// always come.
void ping(Answer& answer) {
  answer.boolean("ok", true);
  answer.integer("v", 1);
}

void keypair(Answer& answer) {
  Secret privateKey = orFail(platform::newX25519PrivateKey());
  platform::Bytes publicKey = orFail(platform::x25519PublicKey(privateKey));
  answer.base64("priv", privateKey, Answer::Content::secret);
  answer.base64("pub", publicKey, Answer::Content::notSecret);
}

void agree(Request& request, Answer& answer) {
  // Each key is checked as it is made, so a short "priv" fails before a
  // missing "peer" is noticed.
  auto privateKey = need(request, Field::priv);
  if (privateKey.size() != platform::kX25519KeySize)
    throw OperationFailure{"private key length"};
  auto peer = need(request, Field::peer);
  Secret shared = orFail(platform::x25519SharedSecret(privateKey, peer));
  if (request.isTrue(Field::raw)) {
    answer.base64("key", shared, Answer::Content::secret);
    return;
  }
  // An undecodable salt is the empty salt.
  ByteView salt;
  if (auto bytes = request.bytes(Field::salt))
    salt = *bytes;
  Secret derived = orFail(platform::hkdfSha256(shared, salt, textBytes(request, Field::info), 32));
  answer.base64("key", derived, Answer::Content::secret);
}

void seal(Request& request, Answer& answer) {
  auto key = need(request, Field::key);
  if (key.size() != platform::kAesKeySize)
    throw SealError::bad(std::string(kKeyMustBe32));
  need(request, Field::data);
  // The plaintext is sealed where it was decoded, and so overwritten.
  auto combined = request.withRoom(Field::data);
  if (auto sealed = platform::aesGcmSealInPlace(key, textBytes(request, Field::aad), combined);
      !sealed)
    throw OperationFailure{sealed.error().text};
  answer.base64("data", combined, Answer::Content::notSecret);
}

void open(Request& request, Answer& answer) {
  auto key = need(request, Field::key);
  if (key.size() != platform::kAesKeySize)
    throw SealError::bad(std::string(kKeyMustBe32));
  auto combined = need(request, Field::data);
  if (auto opened = platform::aesGcmOpenInPlace(key, textBytes(request, Field::aad), combined);
      !opened)
    throw OperationFailure{opened.error().text};
  auto plaintext = combined.subspan(
      platform::kGcmNonceSize, combined.size() - platform::kGcmNonceSize - platform::kGcmTagSize);
  answer.base64("data", plaintext, Answer::Content::secret);
}

void sealfile(Request& request, Answer& answer) {
  auto key = need(request, Field::key);
  auto in = request.text(Field::in);
  auto out = request.text(Field::out);
  if (key.size() != platform::kAesKeySize || !in || !out)
    throw SealError::bad(std::string(kSealfileNeeds));
  auto written = sealFile(key, std::string(*in), std::string(*out), textBytes(request, Field::aad));
  if (!written)
    throw OperationFailure{written.error().text};
  answer.integer("n", *written);
  answer.boolean("ok", true);
}

std::string_view nameOf(Field field) {
  switch (field) {
    case Field::priv:
      return "priv";
    case Field::peer:
      return "peer";
    case Field::salt:
      return "salt";
    case Field::key:
      return "key";
    default:
      return "data";
  }
}

}  // namespace

std::span<std::uint8_t> need(Request& request, Field field) {
  auto bytes = request.bytes(field);
  if (!bytes)
    throw SealError::bad(std::string(kMissing) + std::string(nameOf(field)));
  return *bytes;
}

void handle(Request& request, Answer& answer) {
  answer.clear();
  std::string_view op = request.text(Field::op).value_or("");
  if (op == "ping")
    return ping(answer);
  if (op == "keypair")
    return keypair(answer);
  if (op == "agree")
    return agree(request, answer);
  if (op == "seal")
    return seal(request, answer);
  if (op == "open")
    return open(request, answer);
  if (op == "sealfile")
    return sealfile(request, answer);
  throw SealError::bad(std::string(kUnknownOp));
}

}  // namespace vell::seal

#pragma once

// Why an attempt to reach the broker failed, in words for the log and the
// status bar, from what libmosquitto, OpenSSL and the name resolver report.

#include <openssl/types.h>

#include <string>

namespace kr5061::mqtt {

// The broker's answer to CONNECT (MQTT 3.1.1 return codes).
std::string refusalText(int code);

// A failed lookup of `host` (getaddrinfo's code).
std::string lookupText(const std::string& host, int code);

// A failure libmosquitto reported: `rc` (errno `err` with MOSQ_ERR_ERRNO);
// `verifyError` says why the broker's certificate was refused, `lastLog` is
// the library's last error line.
std::string lossText(int rc, int err, const std::string& host, const std::string& verifyError,
                     const std::string& lastLog);

// "Connection refused" -> "connection refused"; "TLS ..." stays.
std::string lowerFirst(std::string text);

// The whole certificate check as OpenSSL does it, keeping the reason of a
// refusal in the std::string `reason` points to: the library only says
// "certificate verify failed".
int verifyAndRemember(X509_STORE_CTX* store, void* reason);

}  // namespace kr5061::mqtt

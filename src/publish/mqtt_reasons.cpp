#include "publish/mqtt_reasons.h"

#include <mosquitto.h>
#include <netdb.h>
#include <openssl/x509.h>

#include <system_error>

namespace kr5061::mqtt {

namespace {

// "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
// -> "certificate verify failed".
std::string tlsDetail(const std::string& log) {
    const std::size_t colon = log.rfind(':');
    if (log.find("OpenSSL") == std::string::npos || colon == std::string::npos ||
        colon + 1 >= log.size()) {
        return log;
    }
    return log.substr(colon + 1);
}

}  // namespace

std::string refusalText(int code) {
    switch (code) {
        case 1:
            return "the broker does not speak MQTT 3.1.1";
        case 2:
            return "the broker rejected the client id";
        case 3:
            return "the broker is unavailable";
        case 4:
            return "wrong user name or password";
        case 5:
            return "not authorised (wrong user name or password, or no permission)";
        default:
            return "the broker refused the connection (code " + std::to_string(code) + ")";
    }
}

std::string lookupText(const std::string& host, int code) {
    switch (code) {
        case EAI_NONAME:
        case EAI_NODATA:
        case EAI_FAIL:
            return "unknown host \"" + host + "\"";
        case EAI_AGAIN:
            return "the name \"" + host +
                   "\" cannot be looked up now (no answer from the name server)";
        default:
            return "the name \"" + host + "\" cannot be looked up (" +
                   lowerFirst(::gai_strerror(code)) + ")";
    }
}

std::string lossText(int rc, int err, const std::string& host, const std::string& verifyError,
                     const std::string& lastLog) {
    switch (rc) {
        case MOSQ_ERR_ERRNO:
            return lowerFirst(std::generic_category().message(err));
        case MOSQ_ERR_EAI:
        case MOSQ_ERR_LOOKUP:
            return "unknown host \"" + host + "\"";
        case MOSQ_ERR_TLS:
        case MOSQ_ERR_TLS_HANDSHAKE:
            if (!verifyError.empty()) {
                return "TLS failed: the broker's certificate was refused (" + verifyError + ")";
            }
            return "TLS failed: " +
                   (lastLog.empty() ? std::string("handshake refused") : tlsDetail(lastLog));
        case MOSQ_ERR_KEEPALIVE:
            return "the broker stopped answering";
        case MOSQ_ERR_CONN_LOST:
        case MOSQ_ERR_NO_CONN:
        case MOSQ_ERR_SUCCESS:
            return "the broker closed the connection";
        default:
            return lowerFirst(mosquitto_strerror(rc));
    }
}

std::string lowerFirst(std::string text) {
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

int verifyAndRemember(X509_STORE_CTX* store, void* reason) {
    const int ok = X509_verify_cert(store);
    if (ok != 1) {
        const int error = X509_STORE_CTX_get_error(store);
        // The library's own host name check refuses without saying why.
        *static_cast<std::string*>(reason) = error == X509_V_ERR_UNSPECIFIED
                                                 ? "it is not made out to this host name"
                                                 : X509_verify_cert_error_string(error);
    }
    return ok;
}

}  // namespace kr5061::mqtt

#include "Route.hpp"

std::string routeProblem(const std::string& text) {
    char message[160] = "";
    zoltc_logix_buffer encoded{};
    const zoltc_logix_result result = zoltc_logix_parse_route(text.c_str(), &encoded, message, sizeof message);
    zoltc_logix_buffer_free(&encoded);
    if (result == ZOLTC_LOGIX_OK) {
        return std::string();
    }
    // A refusal without a sentence (no memory) still must not read as a good text.
    return message[0] != '\0' ? std::string(message) : std::string(zoltc_logix_result_name(result));
}

std::string routeFailureText(const zoltc_logix_client* client) {
    char text[160] = "";
    zoltc_logix_describe_route_failure(client, text, sizeof text);
    return text;
}

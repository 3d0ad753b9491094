// Placeholder until the app subsystem lands.
namespace vellora { void app_placeholder() {} }

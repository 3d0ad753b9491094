// Placeholder until the settings subsystem lands.
namespace vellora { void settings_placeholder() {} }

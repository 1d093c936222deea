// placeholder: test support
